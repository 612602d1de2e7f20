#pragma once

#include "platform/FolderBrowser.h"
#include "platform/WindowGeometry.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class QComboBox;
class QLabel;
class QWidget;
class LinkLabel;
class SliderThumb;

// The options every compression run reads: the JPEG quality chosen on the picture slider, the
// resize text of cmbDPI, the output choice of cmbOutput and OutputFolder. Owns the controls of
// the options panel, creates them as children of the window it is handed and places them at
// their design positions.
//
// Slider positions (SliderMin, SliderMax, the thumb's left edge, SliderGrabX) are twips, as the
// layout was designed: 15 twips per pixel until scaleForScreen() says otherwise.
class CompressionOptions : public QObject
{
    Q_OBJECT

public:
    explicit CompressionOptions(QWidget *window);

    static constexpr qint16 defaultQuality = 75;
    // The density the layout was drawn at, and the slider's bounds there.
    static constexpr double designTwipsPerPixel = Geometry::twipsPerPixel;
    static constexpr qint16 designSliderMin = 2000;
    static constexpr qint16 designSliderMax = 4000;
    // The thumb's left edge at its design place.
    static constexpr float designThumbLeft = Geometry::twips(Geometry::imgSlider.x());
    // The entries of cmbOutput: beside each image, or the folder the user chose.
    static constexpr int ownFolderChoice = 0;
    static constexpr int customFolderChoice = 1;
    static const QString &unchangedSizeText();     // "不变"
    static const QStringList &sizeChoices();       // the twelve entries of cmbDPI
    static const QString &ownFolderCaption();      // "图片原始路径"
    static const QString &defaultQualityCaption(); // "默认推荐压缩率"
    static QString defaultOutputFolder();

    // "82% - 高质量"; the default caption at 75.
    static QString qualityCaption(int quality);
    // Longer than 5 characters: the first 10 and "..".
    static QString ShortenPathCaption(const QString &caption);

    // Option values.
    qint16 Quality() const { return m_quality; }
    void setQuality(qint16 quality) { m_quality = quality; }
    QString resizeText() const;
    void setResizeText(const QString &text);
    int outputChoice() const;
    QString OutputFolder() const { return m_outputFolder; }
    void setOutputFolder(const QString &folder) { m_outputFolder = folder; }
    bool OptionsLoading() const { return m_optionsLoading; }
    void setOptionsLoading(bool loading) { m_optionsLoading = loading; }

    // Start-up: bounds, drop-down texts, the label caption and the option values at their
    // defaults, without opening the folder chooser.
    void setStartupDefaults();

    // Selects an output entry as the settings file does: no chooser, the label and its tooltip
    // follow (the stored folder, shortened, for choice 1).
    void restoreOutputChoice(int choice);

    // The slider, in twips.
    qint16 SliderMin() const { return m_sliderMin; }
    qint16 SliderMax() const { return m_sliderMax; }
    void setSliderBounds(qint16 sliderMin, qint16 sliderMax);
    float thumbLeft() const { return m_thumbLeft; }
    void setThumbLeft(float twips);
    float SliderGrabX() const { return m_sliderGrabX; }
    QString qualityCaptionText() const;
    void setQualityCaptionText(const QString &caption);

    // Twips per pixel of the screen, horizontally and vertically; 15 until scaled.
    double twipsPerPixelX() const { return m_twipsX; }
    double twipsPerPixelY() const { return m_twipsY; }
    // Multiplies the slider's bounds (to 16-bit, halves to even) and the thumb by the screen's
    // twips per pixel over 15; pixel geometry of the controls stays as designed.
    void scaleForScreen(double twipsX, double twipsY);

    // Event handlers. Button is the set of buttons held; x is the pointer inside the thumb, in
    // twips.
    void imgSlider_MouseDown(Qt::MouseButtons button, float x);
    void imgSlider_MouseMove(Qt::MouseButtons button, float x);
    // Moves the quality by `steps` (one for an arrow key, ten for a page), as far as a drag of
    // the thumb by whole pixels needs to get there, and through the same drag.
    void imgSlider_KeyDown(int steps);
    void cmbOutput_Click();
    void lblCF_Click();
    void lblDefault_Click();
    void lblCF_MouseMove();
    void lblDefault_MouseMove();
    // The background reset turns both link labels regular again.
    void resetLinkLabels();

    // The controls a compression run disables while it goes, in the order the run names them.
    QList<QWidget *> runLockedControls() const;

    FolderBrowser &folderBrowser() { return m_folderBrowser; }

    QComboBox *cmbDPI() const { return m_cmbDPI; }
    QComboBox *cmbOutput() const { return m_cmbOutput; }
    LinkLabel *lblCF() const { return m_lblCF; }
    SliderThumb *imgSlider() const { return m_imgSlider; }
    QLabel *lblCompress() const { return m_lblCompress; }
    LinkLabel *lblDefault() const { return m_lblDefault; }

private:
    void ChooseOutputFolder();
    void showOutputFolderOnLabel();
    // Selects an entry and raises cmbOutput_Click, as a change by index does; a plain
    // setCurrentIndex raises nothing (only the user's activation is connected).
    void setOutputChoice(int index);
    void placeThumb();
    // Where a drag to the pointer's `x` inside the thumb puts its left edge, pinned at the ends.
    float draggedThumbLeft(float x) const;
    // The quality a thumb at `left` stands for; none when the bounds leave no span.
    std::optional<qint16> qualityAtThumb(float left) const;
    void showQuality(qint16 quality, const QString &caption);

    QWidget *m_window;
    QComboBox *m_cmbDPI;
    QComboBox *m_cmbOutput;
    LinkLabel *m_lblCF;
    SliderThumb *m_imgSlider;
    QLabel *m_lblCompress;
    LinkLabel *m_lblDefault;
    FolderBrowser m_folderBrowser;

    qint16 m_quality = defaultQuality;
    QString m_outputFolder;
    bool m_optionsLoading = false;
    qint16 m_sliderMin = designSliderMin;
    qint16 m_sliderMax = designSliderMax;
    float m_thumbLeft = designThumbLeft;
    float m_sliderGrabX = 0;
    double m_twipsX = designTwipsPerPixel;
    double m_twipsY = designTwipsPerPixel;
};
