#pragma once

#include <QString>
#include <cstdint>

#include "monitor/platform/clock.h"
#include "monitor/platform/file_dialogs.h"
#include "monitor/platform/message_box.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/site_list_import.h"
#include "monitor/store/site_store.h"
#include "monitor/store/site_table.h"

class QFile;
class QWidget;

namespace ossivant {

// Texts of the export and import commands.
inline const QString kExportTitle = QStringLiteral("Export Data File");
inline const QString kDataFileType = QStringLiteral("Ossivant Data File");
inline const QString kExportCaption = QStringLiteral("Export");
inline const QString kExporting = QStringLiteral("Exporting... please wait.");
inline const QString kExported = QStringLiteral("The address list has been exported.");
inline const QString kExportFailed = QStringLiteral("The address list could not be written to %1.");
inline const QString kImportTitle = QStringLiteral("Import Data File");
inline const QString kDataFileCorrupt =
    QStringLiteral("The Data File appears to be corrupt. The file is not imported.");
inline const QString kImportCaption = QStringLiteral("Import");
inline const QString kPreparingImport = QStringLiteral("Preparing for Import... please wait.");
inline const QString kImporting = QStringLiteral("Importing... please wait.");
inline const QString kReplaceQuestion =
    QStringLiteral("Do you want to replace existing records with the import file?");

// What the export and import commands show while they run: the wait window
// with its progress bar over the main window, and the main window's list.
class SiteListScreen {
public:
    virtual ~SiteListScreen() = default;
    // Disables the main window and its automatic checks and shows the wait
    // window with this caption and text; the bar starts at 0 of `maximum`.
    virtual void holdWindow(const QString& caption, const QString& text, bool barVisible,
                            std::int32_t maximum) = 0;
    // A new text and bar while the window is held.
    virtual void setProgressText(const QString& text, bool barVisible, std::int32_t maximum) = 0;
    // Moves the bar and lets the windows repaint.
    virtual void setProgress(std::int32_t value) = 0;
    // Closes the wait window, which gives the main window back.
    virtual void releaseWindow() = 0;
    virtual void clearList() = 0;
    virtual void refillList() = 0;
};

struct SiteListParts {
    RegistryAccess& registry;
    SiteStore& store;
    SiteTable& sites;
    MessageBox& messages;
    FileDialogs& dialogs;
    SiteListScreen& screen;
    const Clock& clock;
};

// The File menu's Export and Import: the site table to a data file, and a
// data file merged into the stored list, which is then renumbered and
// reloaded. A file that is not text, or lines that do not parse, leave the
// stored sites as they were; lines skipped or left out are told after the
// import. Both remember the folder of the file as "imex".
class SiteListTransfer {
public:
    explicit SiteListTransfer(SiteListParts parts, QWidget* dialogOwner = nullptr)
        : p_(parts), owner_(dialogOwner) {}

    void ExportList();
    void ImportList();

    // The file name export suggests for today: OVList-yyyymmdd.ovd.
    QString DefaultExportName() const;

private:
    QString startFolder();
    bool writeFile(const QString& path);
    // Imports the file's lines; the counts to tell.
    ImportCounts importFile(const QString& path, bool replace);
    void takeLines(QFile& file, SiteListImport& import);

    SiteListParts p_;
    QWidget* owner_;
};

}  // namespace ossivant
