// rvclient-windows: RVClient's windows. RVClient runs this program in its own
// place when it is started without an option, so that runs without windows
// never load Qt Gui and Widgets. It lives beside RVClient.
#include "client/shell/app/windowed-client.h"

int main(int argc, char** argv)
{
    return rv::RunWindowedClient(argc, argv);
}
