#pragma once

#include "monitor/store/site_list_transfer.h"

namespace ossivant::test {

// A screen for the export and import commands that shows nothing.
class SilentListScreen final : public SiteListScreen {
public:
    void holdWindow(const QString&, const QString&, bool, std::int32_t) override {}
    void setProgressText(const QString&, bool, std::int32_t) override {}
    void setProgress(std::int32_t) override {}
    void releaseWindow() override {}
    void clearList() override {}
    void refillList() override {}
};

}  // namespace ossivant::test
