// The environment SDL starts in, and that the user's is back once no helper
// thread can be reading it.
#include "platform/desktop/startup_environment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include "platform/desktop/startup_work.h"

namespace mavrel {
namespace {

// What SDL starts in, and that everything is the user's again afterwards.
TEST(StartupEnvironment, SdlStartsInTheCLocaleAndFontconfigKeepsTheUsersLanguages) {
  const char* const names[] = {"LC_ALL",  "LC_CTYPE",     "LANG",
                               "FC_LANG", "XCOMPOSEFILE", "DBUS_SESSION_BUS_ADDRESS"};
  using Env = std::map<std::string, std::string>;  // absent: not set
  struct Case {
    const char* name;
    Env user;
    Env during;
  };
  const Case cases[] = {
      {"nothing set",
       {},
       {{"LC_ALL", "C"}, {"XCOMPOSEFILE", "/dev/null"}, {"DBUS_SESSION_BUS_ADDRESS", "disabled:"}}},
      {"LANG only",
       {{"LANG", "de_DE.UTF-8"}, {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/bus"}},
       {{"LC_ALL", "C"},
        {"LANG", "de_DE.UTF-8"},
        {"FC_LANG", "de_DE.UTF-8"},
        {"XCOMPOSEFILE", "/dev/null"},
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/bus"}}},
      {"LC_ALL over LC_CTYPE over LANG",
       {{"LC_ALL", "ja_JP.UTF-8"}, {"LC_CTYPE", "fr_FR"}, {"LANG", "en_GB"}},
       {{"LC_ALL", "C"},
        {"LC_CTYPE", "fr_FR"},
        {"LANG", "en_GB"},
        {"FC_LANG", "ja_JP.UTF-8"},
        {"XCOMPOSEFILE", "/dev/null"},
        {"DBUS_SESSION_BUS_ADDRESS", "disabled:"}}},
      {"an empty LC_ALL counts as none",
       {{"LC_ALL", ""}, {"LC_CTYPE", "pt_BR.UTF-8"}, {"XCOMPOSEFILE", "/home/me/.XCompose"}},
       {{"LC_ALL", "C"},
        {"LC_CTYPE", "pt_BR.UTF-8"},
        {"FC_LANG", "pt_BR.UTF-8"},
        {"XCOMPOSEFILE", "/dev/null"},
        {"DBUS_SESSION_BUS_ADDRESS", "disabled:"}}},
      {"the user's FC_LANG stays",
       {{"LANG", "de_DE"}, {"FC_LANG", "zh-tw"}},
       {{"LC_ALL", "C"},
        {"LANG", "de_DE"},
        {"FC_LANG", "zh-tw"},
        {"XCOMPOSEFILE", "/dev/null"},
        {"DBUS_SESSION_BUS_ADDRESS", "disabled:"}}},
  };
  Env original;
  for (const char* name : names) {
    if (const char* value = std::getenv(name)) original[name] = value;
  }
  auto apply = [&](const Env& env) {
    for (const char* name : names) {
      auto found = env.find(name);
      if (found == env.end()) {
        unsetenv(name);
      } else {
        setenv(name, found->second.c_str(), 1);
      }
    }
  };
  auto current = [&] {
    Env env;
    for (const char* name : names) {
      if (const char* value = std::getenv(name)) env[name] = value;
    }
    return env;
  };
  for (const Case& c : cases) {
    apply(c.user);
    {
      StartupEnvironment environment;
      EXPECT_EQ(c.during, current()) << c.name;
      environment.Restore();
      EXPECT_EQ(c.user, current()) << c.name;
      environment.Restore();
      EXPECT_EQ(c.user, current()) << c.name;
    }
    EXPECT_EQ(c.user, current()) << c.name;
  }
  apply(original);
}

TEST(StartupEnvironment, PutBackOnlyOnceNoHelperRuns) {
  const char* user = std::getenv("XCOMPOSEFILE");
  const std::string saved = user ? user : "";
  setenv("XCOMPOSEFILE", "/home/me/.XCompose", 1);
  std::atomic<bool> reading{true};
  std::string seen;
  {
    StartupEnvironment environment;
    HelperTask reader = StartHelper([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      seen = std::getenv("XCOMPOSEFILE");
      reading = false;
    });
    environment.Restore();
    EXPECT_FALSE(reading);
    EXPECT_EQ(0u, RunningHelperCount());
  }
  EXPECT_EQ("/dev/null", seen);
  EXPECT_STREQ("/home/me/.XCompose", std::getenv("XCOMPOSEFILE"));
  if (user) {
    setenv("XCOMPOSEFILE", saved.c_str(), 1);
  } else {
    unsetenv("XCOMPOSEFILE");
  }
}

}  // namespace
}  // namespace mavrel
