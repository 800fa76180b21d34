#include "platform/desktop/startup_environment.h"

#include <cstdlib>
#include <string>

#include "platform/desktop/startup_work.h"

namespace mavrel {

StartupEnvironment::StartupEnvironment() {
  // SDL connects to the session bus as it starts. Where there is none, the
  // bus library would try to start one (a fork and a dozen execs of
  // dbus-launch), the largest single cost of our start; the address is
  // kept from it for that moment only, so that started programs still find
  // whatever bus there is.
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
    Set("DBUS_SESSION_BUS_ADDRESS", "disabled:");
  }
  // SDL also opens an X input method, and Xlib's built-in one reads and
  // compiles the locale's whole compose table (thousands of lines, two
  // thirds of SDL's start). The launcher takes no typed text, so it gets an
  // empty table, and opens it in the plain C locale: Xlib then needs only
  // the locale tables it reads anyway (for the window's title), not a second
  // set for the user's locale.
  Set("XCOMPOSEFILE", "/dev/null");
  // fontconfig takes the languages its matches prefer from the same
  // variables, on the font helper thread: it is given the user's own
  // through its own variable, so that its choice of face does not change.
  if (std::getenv("FC_LANG") == nullptr) {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* value = std::getenv(name);
      if (value != nullptr && value[0] != '\0') {
        Set("FC_LANG", value);
        break;
      }
    }
  }
  Set("LC_ALL", "C");
}

void StartupEnvironment::Set(const char* name, const std::string& value) {
  const char* user = std::getenv(name);
  saved_.push_back(Saved{name, user != nullptr, user ? user : ""});
  setenv(name, value.c_str(), 1);
}

void StartupEnvironment::Restore() {
  if (saved_.empty()) return;
  // setenv and unsetenv may free what another thread's getenv is reading.
  JoinEveryHelper();
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->had) {
      setenv(it->name, it->value.c_str(), 1);
    } else {
      unsetenv(it->name);
    }
  }
  saved_.clear();
}

}  // namespace mavrel
