#include "dialogs/QtDialogProvider.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// Shows a prepared file dialog; returns the one chosen file, or nothing on cancel.
QString runFileDialog(QFileDialog &dialog, const FileDialogRequest &request)
{
    // The combo box shows each description exactly as given; the patterns stay behind it.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!request.nameFilters.isEmpty()) {
        dialog.setNameFilters(request.nameFilters);
        dialog.selectNameFilter(request.nameFilters.constFirst());
    }
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.constFirst();
}

} // namespace

QtDialogProvider::QtDialogProvider(bool nativeDialogs)
    : m_nativeDialogs(nativeDialogs)
{}

QString QtDialogProvider::openFile(QWidget *owner, const FileDialogRequest &request)
{
    QFileDialog dialog(owner, request.title, request.folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog, !m_nativeDialogs);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return runFileDialog(dialog, request);
}

QString QtDialogProvider::saveFile(QWidget *owner, const FileDialogRequest &request)
{
    QFileDialog dialog(owner, request.title, request.folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog, !m_nativeDialogs);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    return runFileDialog(dialog, request);
}

QString QtDialogProvider::folder(QWidget *owner, const QString &prompt)
{
    QFileDialog::Options options = QFileDialog::ShowDirsOnly;
    options.setFlag(QFileDialog::DontUseNativeDialog, !m_nativeDialogs);
    return QFileDialog::getExistingDirectory(owner, prompt, QString(), options);
}

// QColorDialog always shows its custom colours, so there is no panel to open up front.
std::optional<QColor> QtDialogProvider::color(QWidget *owner, const QColor &initial,
                                              bool /*fullOpen*/)
{
    QColorDialog::ColorDialogOptions options;
    options.setFlag(QColorDialog::DontUseNativeDialog, !m_nativeDialogs);
    const QColor chosen = QColorDialog::getColor(initial, owner, QString(), options);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

std::optional<QFont> QtDialogProvider::font(QWidget *owner, const QFont &initial)
{
    QFontDialog::FontDialogOptions options;
    options.setFlag(QFontDialog::DontUseNativeDialog, !m_nativeDialogs);
    bool confirmed = false;
    const QFont chosen = QFontDialog::getFont(&confirmed, initial, owner, QString(), options);
    if (!confirmed)
        return std::nullopt;
    return chosen;
}

// Without any printer the print dialog would offer nothing to choose.
bool QtDialogProvider::printer(QWidget *owner)
{
    if (QPrinterInfo::availablePrinterNames().isEmpty())
        return false;
    QPrinter printer;
    QPrintDialog dialog(&printer, owner);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    return dialog.exec() == QDialog::Accepted;
}

// Qt has no printer-properties sheet; the page set-up of the default printer is the nearest
// thing it offers.
bool QtDialogProvider::printerProperties(QWidget *owner)
{
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull())
        return false;
    QPrinter printer(defaultPrinter);
    QPageSetupDialog dialog(&printer, owner);
    return dialog.exec() == QDialog::Accepted;
}
