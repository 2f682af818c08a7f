#include "monitor/store/store_sync.h"

#include <QStringList>

#include "monitor/store/load_settings.h"
#include "monitor/store/store_texts.h"

namespace ossivant {

void StoreSync::TellAtStart(MessageBox& messages) {
    reg::Registry& registry = access_.registry();
    if (registry.ReadOnly())
        messages.show(ReadOnlyStoreText(registry.path()), MsgButtons::Ok, MsgIcon::Warning);
}

StoreSync::CycleStart StoreSync::BeforeCycle() {
    QStringList notices{fileNotice()};
    // What the old file refused is of no use to one put in its place.
    if (reloadDue_)
        store_.ForgetUnsaved();
    else
        store_.RetryUnsaved();
    if (!gone_ && access_.registry().ChangedByOthers()) changedElsewhere_ = true;
    CycleStart result;
    if (reloadDue_ || (changedElsewhere_ && !store_.HasUnsaved())) {
        if (!reloadDue_) notices << StoreReloadedText();
        reloadDue_ = false;
        changedElsewhere_ = false;
        LoadSettings(access_, settings_, defaultLogPath_);
        store_.RenumberSites();
        store_.LoadSites(true, true);
        result.reloaded = true;
    }
    notices << writeNotice();
    notices.removeAll(QString());
    result.notice = notices.join(QStringLiteral("  "));
    return result;
}

QString StoreSync::AfterWrite() {
    QStringList notices{fileNotice(), writeNotice()};
    notices.removeAll(QString());
    return notices.join(QStringLiteral("  "));
}

QString StoreSync::fileNotice() {
    reg::Registry& registry = access_.registry();
    switch (registry.CheckFile()) {
        case reg::Registry::FileState::Same:
            return {};
        case reg::Registry::FileState::Gone:
            if (gone_) return {};
            gone_ = true;
            return StoreGoneText();
        case reg::Registry::FileState::Replaced:
            // The table is loaded from it at the next cycle's start.
            gone_ = false;
            reloadDue_ = true;
            toldRefused_ = false;
            return StoreReplacedText();
    }
    return {};
}

QString StoreSync::writeNotice() {
    if (gone_) return {};  // told as the file's going
    const bool refused = store_.HasUnsaved();
    if (refused == toldRefused_) return {};
    toldRefused_ = refused;
    return refused ? WritesRefusedText() : WritesResumedText();
}

}  // namespace ossivant
