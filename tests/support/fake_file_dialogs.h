#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "monitor/platform/file_dialogs.h"
#include "monitor/platform/shell.h"

namespace ossivant::test {

// Answers the file dialogs from scripted lists, first answer first; a dialog
// with no answer left is cancelled. Records how each dialog was opened.
class ScriptedFileDialogs final : public FileDialogs {
public:
    struct Shown {
        QString title;
        QString startFolder;
        QString suggestedName;  // empty for an open dialog
        QString filter;
    };

    QString openFile(QWidget*, const QString& title, const QString& startFolder,
                     const QString& filter) override {
        shown.push_back({title, startFolder, QString(), filter});
        return next(openAnswers);
    }
    QString saveFile(QWidget*, const QString& title, const QString& startFolder,
                     const QString& suggestedName, const QString& filter) override {
        shown.push_back({title, startFolder, suggestedName, filter});
        return next(saveAnswers);
    }

    QStringList openAnswers;
    QStringList saveAnswers;
    std::vector<Shown> shown;

private:
    static QString next(QStringList& answers) {
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

// Records the programs it was asked to start, and starts none.
class RecordingLauncher final : public ProgramLauncher {
public:
    struct Start {
        QString program;
        QStringList arguments;
    };
    bool startDetached(const QString& program, const QStringList& arguments) override {
        starts.push_back({program, arguments});
        return result;
    }
    std::vector<Start> starts;
    bool result = true;
};

}  // namespace ossivant::test
