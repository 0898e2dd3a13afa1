#include "core/platform/posix/NoAutomationPermission.h"

namespace brisquel {

int NoAutomationPermission::determine(const QString& targetDescriptorText, bool askUser) {
    Q_UNUSED(targetDescriptorText)
    Q_UNUSED(askUser)
    return 0;
}

} // namespace brisquel
