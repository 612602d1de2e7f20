#include "app/frmPrinting.h"
#include "app/PictureButton.h"
#include "app/WindowActions.h"
#include "dialogs/CCommonDialogs.h"
#include "engine/CompressionRun.h"
#include "options/CompressionOptions.h"
#include "options/LinkLabel.h"
#include "options/SliderThumb.h"
#include "queue/FolderScan.h"
#include "queue/frmMenu.h"
#include "queue/ImageQueue.h"
#include "queue/QueueCommands.h"
#include "queue/QueueModel.h"
#include "tests/dialogs/FakeDialogs.h"
#include "tests/support/ModalWatcher.h"
#include "tests/support/TestFiles.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QAccessibleInterface *describe(QObject *object)
{
    return QAccessible::queryAccessibleInterface(object);
}

QList<QObject *> offeredChildren(QAccessibleInterface *parent)
{
    QList<QObject *> children;
    for (int index = 0; index < parent->childCount(); ++index)
        children.append(parent->child(index)->object());
    return children;
}

// The colour a pixel is closest to, by the sum of its channel differences.
int distance(QRgb pixel, const QColor &colour)
{
    return std::abs(qRed(pixel) - colour.red()) + std::abs(qGreen(pixel) - colour.green()) +
           std::abs(qBlue(pixel) - colour.blue());
}

} // namespace

// The window from the keyboard and through assistive technology: every command reachable and
// named, in the order the window reads.
class TestKeyboardAccess : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    // A window on screen, active, so that its shortcuts and Tab reach it.
    static std::unique_ptr<frmPrinting> shownWindow()
    {
        auto window = std::make_unique<frmPrinting>(QStringList{});
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the window did not become active");
        return window;
    }

    // Moves the focus with Tab, as a user does, until the control has it.
    static bool tabTo(QWidget *control)
    {
        for (int step = 0; step < 20 && QApplication::focusWidget() != control; ++step)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        return QApplication::focusWidget() == control;
    }

    // Whether the control draws anything for having the focus.
    static bool showsAFocusMark(QWidget *control)
    {
        const QImage focused = control->grab().toImage();
        control->clearFocus();
        const QImage unfocused = control->grab().toImage();
        control->setFocus(Qt::OtherFocusReason);
        return focused != unfocused;
    }

    static QList<PictureButton *> pictureButtons(const frmPrinting &window)
    {
        QList<PictureButton *> buttons;
        for (int index = 0; index < 5; ++index)
            buttons.append(window.imgToolbar(index));
        buttons += {window.imgStart(), window.imgClose(), window.imgMin()};
        return buttons;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("APPDATA", m_home.path().toUtf8());
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toUtf8());
    }

    void pictureButtonsAreNamedButtons()
    {
        frmPrinting window({});
        const QStringList names = {QStringLiteral("添加文件"), QStringLiteral("添加文件夹"),
                                   QStringLiteral("移除文件"), QStringLiteral("软件信息"),
                                   QStringLiteral("退出程序"), QStringLiteral("开始压缩"),
                                   QStringLiteral("关闭"),     QStringLiteral("最小化")};
        const QList<PictureButton *> buttons = pictureButtons(window);
        for (qsizetype index = 0; index < buttons.size(); ++index) {
            QAccessibleInterface *button = describe(buttons.at(index));
            QVERIFY(button);
            QCOMPARE(button->role(), QAccessible::Button);
            QCOMPARE(button->text(QAccessible::Name), names.at(index));
            QVERIFY(!button->text(QAccessible::Description).isEmpty());
            QVERIFY(button->state().focusable);
            QVERIFY(button->actionInterface());
            QVERIFY(button->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::pressAction()));
        }
        const QStringList addFileKeys =
            describe(window.imgToolbar(0))
                ->actionInterface()
                ->keyBindingsForAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(
            addFileKeys,
            QStringList{QKeySequence(Qt::CTRL | Qt::Key_O).toString(QKeySequence::NativeText)});
    }

    void optionControlsCarryTheCaptionsDrawnBesideThem()
    {
        frmPrinting window({});
        CompressionOptions &options = window.options();
        struct Expected {
            QWidget *control;
            QAccessible::Role role;
            QString name;
        };
        const QList<Expected> expected = {
            {options.cmbDPI()->lineEdit(), QAccessible::EditableText, QStringLiteral("尺寸")},
            {options.imgSlider(), QAccessible::Slider, QStringLiteral("压缩质量")},
            {options.lblCF(), QAccessible::Link, QStringLiteral("图片原始路径")},
            {options.lblDefault(), QAccessible::Link, QStringLiteral("默认值")},
            {window.lblWhy(), QAccessible::Link, QStringLiteral("为什么压缩后图片依然很大呢?")},
            {window.pb(), QAccessible::ProgressBar, QStringLiteral("当前状态")},
            {window.queue().LV(), QAccessible::Table, QStringLiteral("文件列表")},
        };
        for (const Expected &control : expected) {
            QAccessibleInterface *described = describe(control.control);
            QVERIFY(described);
            QCOMPARE(described->role(), control.role);
            QCOMPARE(described->text(QAccessible::Name), control.name);
        }
        // Drop-downs: Qt names them by their text where the system reads the label they are
        // the buddy of, and by their own name elsewhere.
        const QList<std::pair<QComboBox *, QString>> boxes = {
            {options.cmbDPI(), QStringLiteral("尺寸")},
            {options.cmbOutput(), QStringLiteral("输出")}};
        for (const auto &[box, caption] : boxes) {
            QAccessibleInterface *described = describe(box);
            QCOMPARE(described->role(), QAccessible::ComboBox);
            QCOMPARE(box->accessibleName(), caption);
            const auto labels = described->relations(QAccessible::Label);
            QCOMPARE(labels.size(), 1);
            QCOMPARE(labels.first().first->text(QAccessible::Name), caption);
            QVERIFY(offeredChildren(describe(&window)).contains(labels.first().first->object()));
        }
        // A link presses like a button.
        QAccessibleInterface *why = describe(window.lblWhy());
        QVERIFY(why->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
    }

    void sliderReportsTheQualityAndItsCaption()
    {
        const auto window = shownWindow();
        CompressionOptions &options = window->options();
        QAccessibleInterface *slider = describe(options.imgSlider());
        QAccessibleValueInterface *value = slider->valueInterface();
        QVERIFY(value);
        QCOMPARE(value->currentValue().toInt(), 75);
        QCOMPARE(value->minimumValue().toInt(), 1);
        QCOMPARE(value->maximumValue().toInt(), 100);
        QCOMPARE(slider->text(QAccessible::Value), QStringLiteral("默认推荐压缩率"));

        QTest::keyClick(options.imgSlider(), Qt::Key_Right);
        QCOMPARE(value->currentValue().toInt(), 76);
        QCOMPARE(slider->text(QAccessible::Value), QStringLiteral("76% - 较好"));

        slider->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
        QCOMPARE(options.Quality(), 75);
        value->setCurrentValue(90);
        QCOMPARE(options.Quality(), 90);
        QCOMPARE(options.qualityCaptionText(), QStringLiteral("90% - 高质量"));

        // Locked for a run: assistive technology cannot move it either.
        options.imgSlider()->setEnabled(false);
        value->setCurrentValue(20);
        QCOMPARE(options.Quality(), 90);
    }

    void progressBarReadsTheStatusLabel()
    {
        frmPrinting window({});
        QAccessibleInterface *bar = describe(window.pb());
        QVERIFY(bar->valueInterface());
        QCOMPARE(bar->text(QAccessible::Value), QStringLiteral("0%"));
        window.pb()->setValue(40);
        window.lblPB()->setText(QStringLiteral("完成."));
        window.lblPB()->setToolTip(QStringLiteral("/tmp/a.png"));
        QCOMPARE(bar->valueInterface()->currentValue().toInt(), 40);
        QCOMPARE(bar->text(QAccessible::Value), QStringLiteral("完成."));
        QCOMPARE(bar->text(QAccessible::Description), QStringLiteral("/tmp/a.png"));
        const auto labels = bar->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->object(), window.lblPB());
    }

    void hiddenControlsAreNotOffered()
    {
        const auto window = shownWindow();
        QAccessibleInterface *root = describe(window.get());
        QCOMPARE(root->role(), QAccessible::Window);
        const QList<QObject *> offered = offeredChildren(root);
        const QList<QWidget *> hidden = {window->findChild<QWidget *>(QStringLiteral("lstFile")),
                                         window->queue().List1(), window->queue().txtAction(),
                                         window->txtDebug()};
        for (QWidget *control : hidden) {
            QVERIFY(control);
            QVERIFY2(!offered.contains(control), qPrintable(control->objectName()));
        }
        for (int index = 0; index < root->childCount(); ++index) {
            QAccessibleInterface *child = root->child(index);
            QVERIFY(!child->state().invisible);
            QCOMPARE(root->indexOfChild(child), index);
            QCOMPARE(child->parent()->object(), window.get());
        }
        for (QWidget *control : pictureButtons(*window))
            QVERIFY(offered.contains(control));
        QVERIFY(offered.contains(window->queue().LV()));
        QVERIFY(offered.contains(window->options().imgSlider()));

        // The /debug switch shows its box, and then it is offered.
        frmPrinting debugging({QStringLiteral("/debug")});
        debugging.show();
        QVERIFY(offeredChildren(describe(&debugging)).contains(debugging.txtDebug()));
    }

    void removeMenuIsOfferedWhileItIsOpen()
    {
        const auto window = shownWindow();
        QMenu *menu = window->queueCommands().menu()->menuRemove();
        QAccessibleInterface *root = describe(window.get());
        QVERIFY(!offeredChildren(root).contains(menu));

        QTest::keyClick(window->imgToolbar(2), Qt::Key_Space);
        QTRY_VERIFY(menu->isVisible());
        // Opened from the keyboard, under its toolbar item.
        const QPoint under =
            window->imgToolbar(2)->mapToGlobal(QPoint(0, window->imgToolbar(2)->height()));
        QVERIFY((menu->pos() - under).manhattanLength() <= 2);
        QVERIFY(offeredChildren(root).contains(menu));
        QAccessibleInterface *described = describe(menu);
        QCOMPARE(described->role(), QAccessible::PopupMenu);
        QCOMPARE(described->text(QAccessible::Name), QStringLiteral("移除文件"));
        QCOMPARE(described->childCount(), 2);
        QCOMPARE(described->child(0)->text(QAccessible::Name), QStringLiteral("移除选中文件"));
        QCOMPARE(described->child(1)->text(QAccessible::Name), QStringLiteral("移除所有文件"));

        menu->close();
        QTRY_VERIFY(!menu->isVisible());
        QVERIFY(!offeredChildren(root).contains(menu));
    }

    void tabVisitsEveryControlInReadingOrder()
    {
        const auto window = shownWindow();
        CompressionOptions &options = window->options();
        // The list has the focus first, and shows no mark for it.
        QCOMPARE(QApplication::focusWidget(), window->queue().LV());

        QList<QWidget *> expected;
        for (int index = 0; index < 5; ++index)
            expected.append(window->imgToolbar(index));
        expected +=
            {window->queue().LV(), options.cmbDPI(),     options.cmbOutput(), options.lblCF(),
             options.imgSlider(),  options.lblDefault(), window->imgStart(),  window->lblWhy(),
             window->imgMin(),     window->imgClose()};

        window->imgToolbar(0)->setFocus(Qt::TabFocusReason);
        QList<QWidget *> visited = {QApplication::focusWidget()};
        for (qsizetype step = 1; step <= expected.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(QApplication::focusWidget());
        }
        // Round the window and back to the first.
        QCOMPARE(visited.mid(0, expected.size()), expected);
        QCOMPARE(visited.last(), expected.first());

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), window->imgClose());
    }

    void spaceAndEnterRunTheFocusedCommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("key");
        const QStringList commands = {QStringLiteral("addFile"), QStringLiteral("addFolder"),
                                      QStringLiteral("remove"),  QStringLiteral("about"),
                                      QStringLiteral("exit"),    QStringLiteral("start"),
                                      QStringLiteral("close"),   QStringLiteral("minimise")};
        const QList<std::pair<const char *, int>> keys = {
            {"Space", Qt::Key_Space}, {"Return", Qt::Key_Return}, {"Enter", Qt::Key_Enter}};
        for (qsizetype index = 0; index < commands.size(); ++index) {
            // Each command with Space, and with Return or Enter in turn.
            for (const auto &[name, key] : {keys.at(0), keys.at(1 + index % 2)}) {
                QTest::addRow("%s %s", qPrintable(commands.at(index)), name)
                    << commands.at(index) << key;
            }
        }
    }

    void spaceAndEnterRunTheFocusedCommand()
    {
        QFETCH(QString, command);
        QFETCH(int, key);
        const QString single = m_home.filePath(QStringLiteral("keys/one.jpg"));
        const QString tree = m_home.filePath(QStringLiteral("keys/tree"));
        QVERIFY(TestFiles::write(single, "x"));
        QVERIFY(TestFiles::write(tree + QStringLiteral("/two.png"), "x"));

        ModalWatcher watcher;
        const auto window = shownWindow();
        auto dialogs = std::make_unique<FakeDialogs>();
        dialogs->fileAnswer = single;
        window->dialogs().setDialogProvider(std::move(dialogs));
        window->queueCommands().folderScan()->folderBrowser().setPicker(
            [&](QWidget *, const QString &) { return tree; });
        QStringList pagesOpened;
        window->help().setPageOpener([&](const QString &page) {
            pagesOpened.append(page);
            return true;
        });
        const QMap<QString, PictureButton *> buttons = {
            {QStringLiteral("addFile"), window->imgToolbar(0)},
            {QStringLiteral("addFolder"), window->imgToolbar(1)},
            {QStringLiteral("remove"), window->imgToolbar(2)},
            {QStringLiteral("about"), window->imgToolbar(3)},
            {QStringLiteral("exit"), window->imgToolbar(4)},
            {QStringLiteral("start"), window->imgStart()},
            {QStringLiteral("close"), window->imgClose()},
            {QStringLiteral("minimise"), window->imgMin()}};
        PictureButton *button = buttons.value(command);
        button->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), button);

        const Qt::KeyboardModifiers keypad =
            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(button, Qt::Key(key), keypad);

        if (command == QStringLiteral("addFile")) {
            QCOMPARE(window->queue().model()->paths(), QStringList{TestFiles::native(single)});
        } else if (command == QStringLiteral("addFolder")) {
            QTRY_COMPARE(window->queue().model()->paths(),
                         QStringList{TestFiles::native(tree + QStringLiteral("/two.png"))});
        } else if (command == QStringLiteral("remove")) {
            QTRY_VERIFY(window->queueCommands().menu()->menuRemove()->isVisible());
            window->queueCommands().menu()->menuRemove()->close();
        } else if (command == QStringLiteral("about")) {
            QCOMPARE(pagesOpened.size(), 1);
            QCOMPARE(watcher.messages().size(), 1);
            QCOMPARE(watcher.messages().first().title, QStringLiteral("About"));
        } else if (command == QStringLiteral("start")) {
            // An empty queue: the run asks for images first.
            QTRY_COMPARE(watcher.messages().size(), 1);
            QCOMPARE(watcher.messages().first().title, QStringLiteral("添加文件"));
        } else if (command == QStringLiteral("minimise")) {
            QTRY_VERIFY(window->isMinimized());
        } else {
            QVERIFY(!window->isVisible());
        }
    }

    void shortcutsRunCommandsOnlyWhileTheirButtonsWork()
    {
        const QString single = m_home.filePath(QStringLiteral("shortcuts/one.jpg"));
        QVERIFY(TestFiles::write(single, "x"));
        ModalWatcher watcher;
        const auto window = shownWindow();
        auto dialogs = std::make_unique<FakeDialogs>();
        FakeDialogs *answers = dialogs.get();
        answers->fileAnswer = single;
        window->dialogs().setDialogProvider(std::move(dialogs));
        int folderAsked = 0;
        window->queueCommands().folderScan()->folderBrowser().setPicker(
            [&](QWidget *, const QString &) {
                ++folderAsked;
                return QString();
            });

        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(window->queue().model()->paths(), QStringList{TestFiles::native(single)});
        // A run locks the buttons, and with them their keys.
        window->imgToolbar(0)->setEnabled(false);
        QVERIFY(!window->actions().addFile()->isEnabled());
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(answers->calls, 1);
        window->imgToolbar(0)->setEnabled(true);
        QVERIFY(window->actions().addFile()->isEnabled());
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(answers->calls, 2);

        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(folderAsked, 1);

        window->queue().ClearQueue();
        window->imgStart()->setEnabled(false);
        QTest::keyClick(window.get(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(watcher.messages().isEmpty());
        window->imgStart()->setEnabled(true);
        QTest::keyClick(window.get(), Qt::Key_Return, Qt::ControlModifier);
        QTRY_COMPARE(watcher.messages().size(), 1);
        QCOMPARE(watcher.messages().first().title, QStringLiteral("添加文件"));

        // And the other way round: a disabled command leaves its button unusable.
        window->actions().addFolder()->setEnabled(false);
        QVERIFY(!window->imgToolbar(1)->isEnabled());

        // Esc is kept for stopping a run; with none going it does nothing.
        QCOMPARE(window->actions().stop()->shortcut(), QKeySequence(Qt::Key_Escape));
        QVERIFY(!window->actions().stop()->isEnabled());
    }

    void linksTakeSpaceAndEnter()
    {
        ModalWatcher watcher;
        const auto window = shownWindow();
        window->lblWhy()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(window->lblWhy(), Qt::Key_Return);
        QCOMPARE(watcher.messages().size(), 1);
        QCOMPARE(watcher.messages().first().title, QStringLiteral("问题"));

        CompressionOptions &options = window->options();
        QTest::keyClick(options.imgSlider(), Qt::Key_PageDown);
        QCOMPARE(options.Quality(), 65);
        options.lblDefault()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(options.lblDefault(), Qt::Key_Space);
        QCOMPARE(options.Quality(), 75);
        QCOMPARE(options.qualityCaptionText(), QStringLiteral("默认推荐压缩率"));
    }

    // The mark is drawn in the skin's red on the light toolbar and in white on the red Start
    // button, and only while the control has the focus.
    void focusedControlsShowAMarkInTheSkinsColours()
    {
        const auto window = shownWindow();
        struct Case {
            QWidget *control;
            QColor mark;
        };
        const QList<Case> cases = {{window->imgToolbar(1), QColor(164, 41, 43)},
                                   {window->imgStart(), Qt::white},
                                   {window->options().lblDefault(), QColor(164, 41, 43)},
                                   {window->options().imgSlider(), Qt::white}};
        for (const Case &control : cases) {
            QVERIFY(tabTo(window->queue().LV()));
            const QRect place = control.control->geometry();
            const QImage before = window->grab(place).toImage();
            QVERIFY(tabTo(control.control));
            const QImage after = window->grab(place).toImage();
            QCOMPARE(after.size(), before.size());
            int changed = 0;
            int towardsTheMark = 0;
            for (int y = 0; y < after.height(); ++y) {
                for (int x = 0; x < after.width(); ++x) {
                    if (after.pixel(x, y) == before.pixel(x, y))
                        continue;
                    ++changed;
                    if (distance(after.pixel(x, y), control.mark) <
                        distance(before.pixel(x, y), control.mark))
                        ++towardsTheMark;
                }
            }
            QVERIFY2(changed >= 10, qPrintable(control.control->objectName()));
            QCOMPARE(towardsTheMark, changed);
        }
    }

    // A run locks the focused list, so the focus moves on to Start and stays there when the run
    // has ended. Started by a click, nothing marks it; the keyboard brings the mark back.
    void aClickLeavesNoFocusMarkBehind()
    {
        const QString program = m_home.filePath(QStringLiteral("mark-program"));
        QVERIFY(TestFiles::makeFakeProgramFolder(program));
        const QString photo = m_home.filePath(QStringLiteral("mark/p.png"));
        QVERIFY(TestFiles::write(photo, "p"));
        const auto window = shownWindow();
        window->run().setProgramFolder(program);
        window->run().setSoundPlayer([](const QString &) {});
        window->queuePaths({photo});
        QTest::keyClick(window->queue().LV(), Qt::Key_Down);
        QTest::mouseClick(window->imgStart(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QTRY_VERIFY(!window->run().RunInProgress());
        QCOMPARE(QApplication::focusWidget(), window->imgStart());
        QVERIFY(!showsAFocusMark(window->imgStart()));

        QTest::keyClick(window->imgStart(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), window->imgStart());
        QVERIFY(showsAFocusMark(window->imgStart()));
    }

    void statusTextIsBlackWhateverTheSkinSays()
    {
        const auto window = shownWindow();
        QVERIFY(window->isSkinAttached());
        QVERIFY(QApplication::palette().color(QPalette::WindowText) != QColor(Qt::black));
        for (const QString &text : {QStringLiteral("0%"), QStringLiteral("完成.")}) {
            window->lblPB()->setText(text);
            const QImage drawn = window->lblPB()->grab().toImage();
            int darkest = 255 * 3;
            QRgb darkestPixel = 0;
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    const QRgb pixel = drawn.pixel(x, y);
                    const int sum = qRed(pixel) + qGreen(pixel) + qBlue(pixel);
                    if (sum < darkest) {
                        darkest = sum;
                        darkestPixel = pixel;
                    }
                }
            }
            QCOMPARE(QColor(darkestPixel), QColor(0, 0, 0));
        }
    }
};

QTEST_MAIN(TestKeyboardAccess)
#include "tst_keyboardaccess.moc"
