#include "tests/support/core-application.h"

#include <QCoreApplication>

namespace rv::test
{

void EnsureCoreApplication()
{
    static int argc = 1;
    static char name[] = "ravelin-test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
    {
        new QCoreApplication(argc, argv);
    }
}

} // namespace rv::test
