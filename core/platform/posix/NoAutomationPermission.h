#pragma once

#include "core/platform/AutomationPermission.h"

namespace brisquel {

// This system has no permission gate for sending events to another application, so every
// target is permitted.
class NoAutomationPermission final : public AutomationPermission {
public:
    int determine(const QString& targetDescriptorText, bool askUser) override;
};

} // namespace brisquel
