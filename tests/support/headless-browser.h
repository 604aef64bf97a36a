// Headless Chromium for tests: started with a private profile and a
// DevTools port, connected to its first page, killed when the object goes.
// Blocking calls with time-outs; the pages it reads must be served by
// another process or thread.
#pragma once

#include "tests/support/devtools-client.h"

#include <QProcess>
#include <QString>
#include <filesystem>
#include <string>

namespace rv::test
{

class HeadlessBrowser
{
public:
    HeadlessBrowser() = default;
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    // The chromium program, or empty when it is not installed.
    static QString Program();

    // Starts the browser with its profile in `profile` and connects to its
    // page with the network and page events on. "" on success, else why not.
    std::string Start(const std::filesystem::path& profile);

    // Loads an address and waits for its load event.
    bool Navigate(const std::string& url);
    // Clicks the first element the CSS selector finds and waits for the new
    // page's load event.
    bool Click(const std::string& selector);
    // The page's text, address and screenshot (PNG bytes).
    std::string Text() { return devtools_.Evaluate("document.body.innerText"); }
    std::string Location() { return devtools_.Evaluate("location.href"); }
    // Images of the page that did not arrive or could not be shown, by
    // address, separated by blanks.
    std::string BrokenImages();
    // Writes a screenshot of the page to `file`; false when there was none.
    bool KeepScreenshot(const std::filesystem::path& file);

    DevToolsClient& DevTools() { return devtools_; }
    // The browser's remote-debugging port, once started.
    int Port() const { return port_; }

private:
    QProcess process_;
    DevToolsClient devtools_;
    int port_ = 0;
};

} // namespace rv::test
