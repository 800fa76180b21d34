// What publishing breaks (publish_checks.h), as one of the checker's groups:
// about the medium's files, not a line of the settings file, and the same
// on both platforms.
#include "author/check_groups.h"
#include "author/publish_checks.h"

namespace mavrel {

void CheckPublishingFiles(CheckContext& context) {
  for (Finding& finding : CheckPublishing(context.files().root())) {
    context.Add(finding.line, finding.severity, finding.code, std::move(finding.message),
                Platforms::kBoth);
  }
}

}  // namespace mavrel
