#include "app/frmPrinting.h"
#include "options/CompressionOptions.h"
#include "platform/WindowGeometry.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

// The size box at the device pixel ratio the test runs at (QT_SCALE_FACTOR): any of its entries,
// and any typed text of up to ten characters, shows whole in its 84 x 21 pixels.
class TestSizeBox : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    std::unique_ptr<frmPrinting> m_window;

    QComboBox *box() const { return m_window->options().cmbDPI(); }

    // Where QLineEdit draws its text: its contents less its text margins and the two pixels it
    // always keeps clear on either side.
    QRect textArea() const
    {
        const QLineEdit *editor = box()->lineEdit();
        const QMargins margins = editor->textMargins();
        constexpr int editorMargin = 2;
        return editor->contentsRect().marginsRemoved(margins).adjusted(editorMargin, 0,
                                                                       -editorMargin, 0);
    }

    // The width of the dark pixels of the editor as drawn, in pixels of the design.
    static qreal inkedWidth(QLineEdit *editor)
    {
        editor->setCursorPosition(0);
        editor->deselect();
        const QImage image = editor->grab().toImage();
        int first = image.width();
        int last = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) < 128) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
            }
        }
        return last < first ? 0 : (last - first + 1) / image.devicePixelRatio();
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("APPDATA", m_home.path().toUtf8());
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toUtf8());
        m_window = std::make_unique<frmPrinting>(QStringList{});
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        qInfo() << "device pixel ratio" << m_window->devicePixelRatioF();
    }

    void cleanupTestCase() { m_window.reset(); }

    void keepsItsDesignedSize() { QCOMPARE(box()->geometry(), Geometry::cmbDPI); }

    void showsEachTextWhole_data()
    {
        QTest::addColumn<QString>("text");
        for (const QString &entry : CompressionOptions::sizeChoices())
            QTest::newRow(qPrintable(entry)) << entry;
        // Typed: the widest digits, a flag, ten characters in all.
        QTest::newRow("typed 1280x800>") << QStringLiteral("1280x800>");
        QTest::newRow("typed 1920x1080!") << QStringLiteral("1920x1080!");
        QTest::newRow("typed 8888x8888^") << QStringLiteral("8888x8888^");
    }

    void showsEachTextWhole()
    {
        QFETCH(QString, text);
        QLineEdit *editor = box()->lineEdit();
        box()->setCurrentText(text);
        editor->setCursorPosition(int(text.size()));
        const int width = QFontMetrics(editor->font()).horizontalAdvance(text);
        QVERIFY2(width <= textArea().width(),
                 qPrintable(QStringLiteral("%1 needs %2 pixels, the box has %3")
                                .arg(text)
                                .arg(width)
                                .arg(textArea().width())));
        // With the cursor at the end, a text that does not fit scrolls its start out of sight.
        const auto cursorX = [editor] {
            return editor->inputMethodQuery(Qt::ImCursorRectangle).toRectF().center().x();
        };
        const qreal endCursor = cursorX();
        editor->setCursorPosition(0);
        const qreal startCursor = cursorX();
        QVERIFY(startCursor <= textArea().left() + 1);
        QVERIFY(endCursor <= textArea().right() + 1);

        // Drawn, the ink spans about the text's advance: a clipped text would span the box.
        const qreal inked = inkedWidth(editor);
        QVERIFY2(inked >= width - 4 && inked <= textArea().width(),
                 qPrintable(QStringLiteral("ink %1 for an advance of %2").arg(inked).arg(width)));
    }
};

QTEST_MAIN(TestSizeBox)
#include "tst_sizebox.moc"
