// The groups of checks, one file each (check_NAME.cpp), in the order in
// which their findings on one line are listed. A group either looks at the
// file as written, once, or at each platform's reading of the settings in
// turn; findings that both platforms' runs give alike are reported once.
//
// A new group: a file check_NAME.cpp with a function of the shape below,
// its declaration here and its row in CheckGroups() (check_groups.cpp).
#pragma once

#include <vector>

#include "author/check_context.h"

namespace mavrel {

struct CheckGroup {
  const char* name;
  // Run once per platform's reading (the context's reading() and
  // platforms() say which), rather than once on the file as written.
  bool perPlatform;
  void (*run)(CheckContext& context);
};

/// Every group, in order.
const std::vector<CheckGroup>& CheckGroups();

void CheckPublishingFiles(CheckContext& context);  // M801-M810, about the files
void CheckButtonList(CheckContext& context);       // M201-M206
void CheckKeys(CheckContext& context);             // M101-M107
void CheckValues(CheckContext& context);           // M301-M308
void CheckEncoding(CheckContext& context);         // M401-M404
void CheckPicture(CheckContext& context);          // M501-M506, per platform
void CheckLayout(CheckContext& context);           // M601-M604, per platform
void CheckCommands(CheckContext& context);  // M701-M707, both platforms' commands side by side

}  // namespace mavrel
