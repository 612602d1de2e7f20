#include "options/CompressionOptions.h"

#include "options/LinkLabel.h"
#include "options/NumberConversion.h"
#include "options/SliderThumb.h"
#include "platform/DesignFont.h"
#include "platform/Platform.h"
#include "platform/WindowGeometry.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

QString qualitySuffix(int quality)
{
    if (quality >= 80)
        return QStringLiteral(" - 高质量");
    if (quality >= 60)
        return QStringLiteral(" - 较好");
    if (quality >= 30)
        return QStringLiteral(" - 中等");
    return QStringLiteral(" - 低质量");
}

// Editable as soon as it exists, so that its editor follows it in the window's focus chain;
// made editable later, the editor would trail behind every control made in between, and Shift+Tab
// would come back to the box from the wrong place.
QComboBox *editableBox(QWidget *window)
{
    auto *box = new QComboBox(window);
    box->setEditable(true);
    return box;
}

void place(QWidget *control, const QString &name, const QRect &geometry)
{
    control->setObjectName(name);
    control->setGeometry(geometry);
}

} // namespace

const QString &CompressionOptions::unchangedSizeText()
{
    static const QString text = QStringLiteral("不变");
    return text;
}

const QStringList &CompressionOptions::sizeChoices()
{
    static const QStringList choices = {
        unchangedSizeText(),        QStringLiteral("320x240"),   QStringLiteral("640x480"),
        QStringLiteral("600x600"),  QStringLiteral("800x600"),   QStringLiteral("1024x768"),
        QStringLiteral("1280x800"), QStringLiteral("1280x1024"), QStringLiteral("1440x900"),
        QStringLiteral("1600x900"), QStringLiteral("1920x900"),  QStringLiteral("1920x1080"),
    };
    return choices;
}

const QString &CompressionOptions::ownFolderCaption()
{
    static const QString text = QStringLiteral("图片原始路径");
    return text;
}

const QString &CompressionOptions::defaultQualityCaption()
{
    static const QString text = QStringLiteral("默认推荐压缩率");
    return text;
}

QString CompressionOptions::defaultOutputFolder()
{
    return Platform::defaultOutputFolder();
}

QString CompressionOptions::qualityCaption(int quality)
{
    if (quality == defaultQuality)
        return defaultQualityCaption();
    return QString::number(quality) + u'%' + qualitySuffix(quality);
}

QString CompressionOptions::ShortenPathCaption(const QString &caption)
{
    if (caption.size() <= 5)
        return caption;
    qsizetype cut = 10;
    // Never leave half of a surrogate pair at the end of the caption.
    if (cut < caption.size() && caption.at(cut - 1).isHighSurrogate())
        ++cut;
    return caption.left(cut) + QStringLiteral("..");
}

CompressionOptions::CompressionOptions(QWidget *window)
    : QObject(window)
    , m_window(window)
    , m_cmbDPI(editableBox(window))
    , m_cmbOutput(new QComboBox(window))
    , m_lblCF(new LinkLabel(ownFolderCaption(), window))
    , m_imgSlider(new SliderThumb(window))
    , m_lblCompress(new QLabel(defaultQualityCaption(), window))
    , m_lblDefault(new LinkLabel(QStringLiteral("默认值"), window))
    , m_outputFolder(defaultOutputFolder())
{
    place(m_cmbDPI, QStringLiteral("cmbDPI"), Geometry::cmbDPI);
    place(m_cmbOutput, QStringLiteral("cmbOutput"), Geometry::cmbOutput);
    place(m_lblCF, QStringLiteral("lblCF"), Geometry::lblCF);
    place(m_imgSlider, QStringLiteral("imgSlider"), Geometry::imgSlider);
    place(m_lblCompress, QStringLiteral("lblCompress"), Geometry::lblCompress);
    place(m_lblDefault, QStringLiteral("lblDefault"), Geometry::lblDefault);

    // Any typed text is a resize text: nothing is completed for the user and nothing typed is
    // added to the list.
    m_cmbDPI->setCompleter(nullptr);
    m_cmbDPI->setInsertPolicy(QComboBox::NoInsert);
    m_cmbDPI->addItems(sizeChoices());
    m_cmbDPI->setMaxVisibleItems(int(sizeChoices().size())); // all of them, no scroll bar
    // Where Tahoma is missing, the face that already draws the box's Chinese stands in before
    // the wide default one: its digits are as narrow as Tahoma's, so ten characters fit.
    QFont sizeFont = designFont(8.25);
    sizeFont.setFamilies({sizeFont.family(), QStringLiteral("Noto Sans CJK SC")});
    m_cmbDPI->setFont(sizeFont);
    // Under the window's style sheet the editor keeps the application's font instead of taking
    // the box's, and shows the size larger than drawn.
    m_cmbDPI->lineEdit()->setFont(m_cmbDPI->font());

    m_cmbOutput->addItems({QStringLiteral("图片文件路径"), QStringLiteral("自定义...")});
    m_cmbOutput->setFont(designFont(8.25));
    // Drawn as list items rather than menu entries, so the window's look colours the one under
    // the pointer.
    for (QComboBox *choice : {m_cmbDPI, m_cmbOutput})
        choice->setItemDelegate(new QStyledItemDelegate(choice));

    m_lblCompress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(m_cmbOutput, &QComboBox::activated, this, &CompressionOptions::cmbOutput_Click);
    connect(m_lblCF, &LinkLabel::clicked, this, &CompressionOptions::lblCF_Click);
    connect(m_lblCF, &LinkLabel::mouseMoved, this, &CompressionOptions::lblCF_MouseMove);
    connect(m_lblDefault, &LinkLabel::clicked, this, &CompressionOptions::lblDefault_Click);
    connect(m_lblDefault, &LinkLabel::mouseMoved, this, &CompressionOptions::lblDefault_MouseMove);
    connect(m_imgSlider, &SliderThumb::mouseDown, this, &CompressionOptions::imgSlider_MouseDown);
    connect(m_imgSlider, &SliderThumb::mouseMoved, this, &CompressionOptions::imgSlider_MouseMove);
    connect(m_imgSlider, &SliderThumb::keySteps, this, &CompressionOptions::imgSlider_KeyDown);

    placeThumb();
}

QString CompressionOptions::resizeText() const
{
    return m_cmbDPI->currentText();
}

void CompressionOptions::setResizeText(const QString &text)
{
    m_cmbDPI->setCurrentText(text);
}

int CompressionOptions::outputChoice() const
{
    return m_cmbOutput->currentIndex();
}

void CompressionOptions::setStartupDefaults()
{
    setSliderBounds(designSliderMin, designSliderMax);
    setResizeText(unchangedSizeText());
    m_cmbOutput->setCurrentIndex(ownFolderChoice);
    m_lblCF->setText(ownFolderCaption());
    m_outputFolder = defaultOutputFolder();
    m_quality = defaultQuality;
}

void CompressionOptions::restoreOutputChoice(int choice)
{
    if (choice != ownFolderChoice) {
        m_cmbOutput->setCurrentIndex(customFolderChoice);
        showOutputFolderOnLabel();
    } else {
        m_cmbOutput->setCurrentIndex(ownFolderChoice);
        m_lblCF->setText(ownFolderCaption());
    }
}

void CompressionOptions::setSliderBounds(qint16 sliderMin, qint16 sliderMax)
{
    m_sliderMin = sliderMin;
    m_sliderMax = sliderMax;
}

void CompressionOptions::setThumbLeft(float twips)
{
    m_thumbLeft = twips;
    placeThumb();
}

QString CompressionOptions::qualityCaptionText() const
{
    return m_lblCompress->text();
}

void CompressionOptions::setQualityCaptionText(const QString &caption)
{
    m_lblCompress->setText(caption);
}

void CompressionOptions::scaleForScreen(double twipsX, double twipsY)
{
    if (!(std::isfinite(twipsX) && twipsX > 0 && std::isfinite(twipsY) && twipsY > 0))
        return;
    // Each bound on its own: one that no longer fits keeps its value, as a failed step would.
    if (const auto scaled =
            NumberConversion::roundToInt16(m_sliderMin * twipsY / designTwipsPerPixel))
        m_sliderMin = *scaled;
    if (const auto scaled =
            NumberConversion::roundToInt16(m_sliderMax * twipsY / designTwipsPerPixel))
        m_sliderMax = *scaled;
    m_twipsX = twipsX;
    m_twipsY = twipsY;
    m_imgSlider->setTwipsPerPixelX(twipsX);
    setThumbLeft(static_cast<float>(m_thumbLeft * twipsX / designTwipsPerPixel));
}

void CompressionOptions::imgSlider_MouseDown(Qt::MouseButtons, float x)
{
    m_sliderGrabX = x;
}

void CompressionOptions::imgSlider_MouseMove(Qt::MouseButtons button, float x)
{
    if (button == Qt::LeftButton)
        setThumbLeft(draggedThumbLeft(x));
    if (const auto quality = qualityAtThumb(m_thumbLeft))
        showQuality(*quality, qualityCaption(*quality));
}

void CompressionOptions::imgSlider_KeyDown(int steps)
{
    const auto from = qualityAtThumb(m_thumbLeft);
    if (!from || steps == 0)
        return;
    constexpr int lowest = 1;
    constexpr int highest = 100;
    const int target = std::clamp(*from + steps, lowest, highest);
    // Quality 1 spans several pixels: a step to an end quality takes the thumb to its end.
    const auto reached = [&](qint16 quality) {
        if (target == lowest || target == highest)
            return false;
        return steps > 0 ? quality >= target : quality <= target;
    };
    // Pixel by pixel, as the pointer would go, until the quality gets there or the thumb is
    // pinned at an end; then the thumb is dragged there like the mouse drags it, so the quality
    // and its caption are the ones a drag to that place gives.
    const float pixel = static_cast<float>(steps > 0 ? m_twipsX : -m_twipsX);
    float x = 0;
    for (int pixels = 1;; ++pixels) {
        x = pixel * static_cast<float>(pixels);
        const float left = draggedThumbLeft(x);
        const auto quality = qualityAtThumb(left);
        if (!quality || reached(*quality) || left <= m_sliderMin || left >= m_sliderMax)
            break;
    }
    imgSlider_MouseDown(Qt::LeftButton, 0);
    imgSlider_MouseMove(Qt::LeftButton, x);
}

float CompressionOptions::draggedThumbLeft(float x) const
{
    const float v = m_thumbLeft + x - m_sliderGrabX;
    if (m_sliderMin < v && v < m_sliderMax)
        return v;
    if (v <= m_sliderMin)
        return m_sliderMin;
    return m_sliderMax;
}

std::optional<qint16> CompressionOptions::qualityAtThumb(float left) const
{
    // The bounds' difference is 16-bit arithmetic: a span that does not fit, or an empty one,
    // gives no quality instead of dividing by nothing.
    const int span = m_sliderMax - m_sliderMin;
    if (span == 0 || span != static_cast<qint16>(span))
        return std::nullopt;
    const float position = std::floor((left - m_sliderMin) * 100 / static_cast<float>(span));
    if (std::isnan(position))
        return std::nullopt;
    return static_cast<qint16>(std::clamp(position, 1.0f, 100.0f));
}

void CompressionOptions::showQuality(qint16 quality, const QString &caption)
{
    m_quality = quality;
    m_lblCompress->setText(caption);
    QAccessibleValueChangeEvent event(m_imgSlider, int(quality));
    QAccessible::updateAccessibility(&event);
}

void CompressionOptions::cmbOutput_Click()
{
    if (m_optionsLoading)
        return;
    if (outputChoice() == customFolderChoice)
        ChooseOutputFolder();
    else
        m_lblCF->setText(ownFolderCaption());
}

void CompressionOptions::lblCF_Click()
{
    setOutputChoice(ownFolderChoice);
    setOutputChoice(customFolderChoice);
}

void CompressionOptions::lblDefault_Click()
{
    setResizeText(unchangedSizeText());
    m_cmbOutput->setCurrentIndex(ownFolderChoice);
    m_lblCF->setBold(false);
    const int span = m_sliderMax - m_sliderMin;
    setThumbLeft(static_cast<float>(std::floor(span * 0.75 + m_sliderMin)));
    showQuality(defaultQuality, defaultQualityCaption());
    m_outputFolder = defaultOutputFolder();
    setOutputChoice(ownFolderChoice);
}

void CompressionOptions::lblCF_MouseMove()
{
    m_lblCF->setBold(true);
}

void CompressionOptions::lblDefault_MouseMove()
{
    m_lblDefault->setBold(true);
}

void CompressionOptions::resetLinkLabels()
{
    m_lblCF->setBold(false);
    m_lblDefault->setBold(false);
}

QList<QWidget *> CompressionOptions::runLockedControls() const
{
    return {m_imgSlider, m_lblDefault, m_cmbOutput, m_lblCF, m_cmbDPI};
}

void CompressionOptions::ChooseOutputFolder()
{
    const QString chosen = m_folderBrowser.browse(m_window, FolderBrowser::folderPrompt());
    m_outputFolder = chosen.isEmpty() ? defaultOutputFolder() : chosen;
    showOutputFolderOnLabel();
}

void CompressionOptions::showOutputFolderOnLabel()
{
    m_lblCF->setToolTip(m_outputFolder);
    m_lblCF->setText(ShortenPathCaption(m_outputFolder));
}

void CompressionOptions::setOutputChoice(int index)
{
    m_cmbOutput->setCurrentIndex(index);
    cmbOutput_Click();
}

void CompressionOptions::placeThumb()
{
    if (!std::isfinite(m_thumbLeft))
        return;
    const double pixels = std::clamp(std::round(m_thumbLeft / m_twipsX), -1.0e6, 1.0e6);
    m_imgSlider->move(static_cast<int>(pixels), m_imgSlider->y());
}
