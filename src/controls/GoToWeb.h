// The web link launcher: a component that holds one address and starts the
// user's registered web browser with it.
//
// It does not ask the shell to open the address: it looks up the program the
// registry associates with web pages (".htm", ".html", ".shtml", ".shtm"
// under HKEY_CLASSES_ROOT) and runs that program itself with the address as
// its last argument, so a "mailto:" address reaches the browser like any
// other.
#pragma once

#include <string>

#include "ui/Component.h"

namespace gotoweb {

// The command line registered for web pages, its placeholders removed;
// empty when no association gives one.
std::string FindBrowserCommand();

// Removes every "%" with the character after it, except a "%" in the last
// position of a command longer than one character.
std::string StripPlaceholders(const std::string& command);

// What is started for a registered command and an address.
struct TBrowserStart {
    std::string program;
    std::string parameters;
};
// Splits a command line into its program and its parameters, upper-cased
// (the address is not), and appends the address to the parameters.
TBrowserStart SplitBrowserCommand(const std::string& command, const std::string& url);

}  // namespace gotoweb

class TGoToWeb : public TComponent {
public:
    explicit TGoToWeb(TComponent* owner);

    const std::string& GetUrl() const { return url_; }
    void SetUrl(const std::string& url) { url_ = url; }

    // Starts the browser with Url; false when no browser is registered or it
    // could not be started. Shows nothing either way.
    bool Execute();

private:
    std::string url_;
};
