#include "author/check_groups.h"

namespace mavrel {

const std::vector<CheckGroup>& CheckGroups() {
  static const std::vector<CheckGroup> groups = {
      {"publishing", false, CheckPublishingFiles},
      {"button list", false, CheckButtonList},
      {"keys", false, CheckKeys},
      {"values", false, CheckValues},
      {"encoding", false, CheckEncoding},
      {"picture", true, CheckPicture},
      {"layout", true, CheckLayout},
      {"commands", false, CheckCommands},
  };
  return groups;
}

}  // namespace mavrel
