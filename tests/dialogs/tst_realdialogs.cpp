#include "dialogs/CCommonDialogs.h"
#include "dialogs/QtDialogProvider.h"
#include "tests/support/ModalWatcher.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// What a file dialog showed when it came up.
struct Seen {
    QString title;
    QString folder;
    QStringList nameFilters;
    int filterIndex = -1;
    QString shownFilter;
    QStringList patternsOfSelected;
    QStringList patternsOfSecond;
    QString proposedName;
};

Seen look(QFileDialog *dialog)
{
    Seen seen;
    seen.title = dialog->windowTitle();
    seen.folder = dialog->directory().absolutePath();
    seen.nameFilters = dialog->nameFilters();
    const auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
    seen.filterIndex = combo->currentIndex();
    seen.shownFilter = combo->currentText();
    seen.proposedName = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
    // The model behind the dialog's list is what hides the files that do not match.
    auto *model = dialog->findChild<QFileSystemModel *>();
    seen.patternsOfSelected = model->nameFilters();
    if (seen.nameFilters.size() > 1) {
        dialog->selectNameFilter(seen.nameFilters.at(1));
        seen.patternsOfSecond = model->nameFilters();
        dialog->selectNameFilter(seen.nameFilters.constFirst());
    }
    return seen;
}

// Answers the file dialog by typing a name into it and confirming.
void typeAndAccept(QDialog *dialog, const QString &name, Seen *seen)
{
    auto *fileDialog = qobject_cast<QFileDialog *>(dialog);
    if (!fileDialog) {
        dialog->reject();
        return;
    }
    *seen = look(fileDialog);
    auto *edit = fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    edit->clear();
    QTest::keyClicks(edit, name);
    dialog->accept();
}

} // namespace

class TestRealDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void openShowsTheFilterListAndTakesATypedFile();
    void openCancelledKeepsTheProposedName();
    void saveAsksNoOverwriteQuestion();
    void colorDialogAnswersInColorRefOrder();
    void printersWithoutAnyPrinterShowNothing();

private:
    QTemporaryDir m_temp;
    QString m_previousCurrent;
    QWidget m_owner;
    CCommonDialogs m_dialogs;
};

void TestRealDialogs::initTestCase()
{
    QVERIFY(m_temp.isValid());
    for (const QString &name : {QStringLiteral("README"), QStringLiteral("a.jpg")}) {
        QFile file(m_temp.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    m_dialogs.setDialogProvider(std::make_unique<QtDialogProvider>(false));
    m_dialogs.Init(&m_owner);
}

void TestRealDialogs::init()
{
    m_previousCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_temp.path()));
}

void TestRealDialogs::cleanup()
{
    QDir::setCurrent(m_previousCurrent);
}

void TestRealDialogs::openShowsTheFilterListAndTakesATypedFile()
{
    m_dialogs.setFilename(QString());
    m_dialogs.setTitle(QStringLiteral("打开文件"));
    m_dialogs.setFilter(
        QStringLiteral("所有文件(All Files, *.*)|*.*|JPG图片文件(*.jpg)|*.jpg|BMP文件(*.bmp)|*.bmp|"
                       "GIF文件(*.gif)|*.gif|PNG图片(*.png)|*.png"));
    Seen seen;
    ModalWatcher watcher;
    watcher.setDialogHandler(
        [&seen](QDialog *dialog) { typeAndAccept(dialog, QStringLiteral("README"), &seen); });

    QVERIFY(m_dialogs.ShowOpen());

    QCOMPARE(seen.title, QStringLiteral("打开文件"));
    QCOMPARE(seen.folder, QDir(m_temp.path()).absolutePath());
    QCOMPARE(seen.nameFilters.size(), 5);
    QCOMPARE(seen.filterIndex, 0);
    QCOMPARE(seen.shownFilter, QStringLiteral("所有文件(All Files, *.*)"));
    QVERIFY(QDir::match(seen.patternsOfSelected, QStringLiteral("README")));
    QVERIFY(QDir::match(seen.patternsOfSelected, QStringLiteral("a.jpg")));
    QCOMPARE(seen.patternsOfSecond, QStringList{QStringLiteral("*.jpg")});
    QVERIFY(!QDir::match(seen.patternsOfSecond, QStringLiteral("README")));

    const QString expected = QDir::toNativeSeparators(m_temp.filePath(QStringLiteral("README")));
    QCOMPARE(m_dialogs.Filename(), expected);
    QCOMPARE(m_dialogs.Path(), QDir::toNativeSeparators(m_temp.path()));
    QCOMPARE(m_dialogs.FileTitle(), QStringLiteral("README"));
}

void TestRealDialogs::openCancelledKeepsTheProposedName()
{
    m_dialogs.setFilename(QStringLiteral("proposed.jpg"));
    m_dialogs.setPath(QStringLiteral("/earlier"));
    m_dialogs.setFileTitle(QStringLiteral("earlier.jpg"));
    QString shownName;
    ModalWatcher watcher;
    watcher.setDialogHandler([&shownName](QDialog *dialog) {
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            shownName = edit->text();
        dialog->reject();
    });

    QVERIFY(!m_dialogs.ShowOpen());
    QCOMPARE(watcher.dialogsSeen(), 1);
    QCOMPARE(shownName, QStringLiteral("proposed.jpg"));
    QCOMPARE(m_dialogs.Filename(), QStringLiteral("proposed.jpg"));
    QCOMPARE(m_dialogs.Path(), QStringLiteral("/earlier"));
    QCOMPARE(m_dialogs.FileTitle(), QStringLiteral("earlier.jpg"));
}

void TestRealDialogs::saveAsksNoOverwriteQuestion()
{
    m_dialogs.setPath(m_temp.path());
    m_dialogs.setFilter(QString());
    Seen seen;
    ModalWatcher watcher;
    watcher.setDialogHandler(
        [&seen](QDialog *dialog) { typeAndAccept(dialog, QStringLiteral("a.jpg"), &seen); });

    QVERIFY(m_dialogs.ShowSave());
    QVERIFY(watcher.messages().isEmpty());
    QCOMPARE(seen.title, QStringLiteral("Save"));
    QCOMPARE(seen.folder, QDir(m_temp.path()).absolutePath());
    QCOMPARE(seen.shownFilter, QStringLiteral("*.*"));
    QVERIFY(QDir::match(seen.patternsOfSelected, QStringLiteral("README")));
    QCOMPARE(m_dialogs.Filename(),
             QDir::toNativeSeparators(m_temp.filePath(QStringLiteral("a.jpg"))));
    QCOMPARE(m_dialogs.FileTitle(), QStringLiteral("a.jpg"));
}

void TestRealDialogs::colorDialogAnswersInColorRefOrder()
{
    m_dialogs.setColor(0x00332211);
    QColor shown;
    ModalWatcher watcher;
    watcher.setDialogHandler([&shown](QDialog *dialog) {
        auto *colorDialog = qobject_cast<QColorDialog *>(dialog);
        if (!colorDialog) {
            dialog->reject();
            return;
        }
        shown = colorDialog->currentColor();
        colorDialog->setCurrentColor(QColor(10, 20, 30));
        colorDialog->accept();
    });

    QVERIFY(m_dialogs.ShowColor(false));
    QCOMPARE(shown, QColor(0x11, 0x22, 0x33));
    QCOMPARE(m_dialogs.Color(), qint32(0x001E140A));
}

void TestRealDialogs::printersWithoutAnyPrinterShowNothing()
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("this machine has a printer");
    ModalWatcher watcher;

    QVERIFY(!m_dialogs.ShowPrinter());
    QVERIFY(!m_dialogs.ShowPrinterProperties());
    QCOMPARE(watcher.dialogsSeen(), 0);
}

QTEST_MAIN(TestRealDialogs)
#include "tst_realdialogs.moc"
