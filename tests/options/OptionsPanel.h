#pragma once

#include "options/CompressionOptions.h"

#include <QStringList>
#include <QWidget>

#include <memory>

// A window with the options panel on it, set to the start-up defaults, whose folder chooser is
// a stand-in: it records every call and answers with `nextFolder` (empty means cancel).
struct OptionsPanel {
    OptionsPanel()
        : window(std::make_unique<QWidget>())
        , options(new CompressionOptions(window.get()))
    {
        window->resize(446, 479);
        options->folderBrowser().setPicker([this](QWidget *owner, const QString &prompt) {
            owners.append(owner);
            prompts.append(prompt);
            return nextFolder;
        });
        options->setStartupDefaults();
    }
    OptionsPanel(const OptionsPanel &) = delete;
    OptionsPanel &operator=(const OptionsPanel &) = delete;

    qsizetype chooserCalls() const { return prompts.size(); }

    std::unique_ptr<QWidget> window;
    CompressionOptions *options; // owned by window
    QString nextFolder;
    QList<QWidget *> owners;
    QStringList prompts;
};
