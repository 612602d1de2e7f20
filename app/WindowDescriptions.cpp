#include "app/WindowDescriptions.h"

#include "app/frmPrinting.h"
#include "app/PictureButton.h"
#include "app/WindowChrome.h"
#include "options/CompressionOptions.h"
#include "options/LinkLabel.h"
#include "options/SliderThumb.h"
#include "platform/WindowGeometry.h"
#include "queue/ImageQueue.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableView>

namespace WindowDescriptions {

void describeControls(frmPrinting &window)
{
    // Named as the window draws them; the captions of the drop-downs, the slider and the bar
    // are painted in the background, where no screen reader finds them. Some systems name a
    // drop-down by the label that is its buddy, so the two captions are also labels: drawn
    // transparent over their painted selves, and letting the pointer through to the window.
    struct Caption {
        QComboBox *box;
        QRect place;
        QString text;
    };
    const Caption captions[] = {
        {window.options().cmbDPI(), Geometry::cmbDPICaption, QStringLiteral("尺寸")},
        {window.options().cmbOutput(), Geometry::cmbOutputCaption, QStringLiteral("输出")}};
    for (const Caption &drawn : captions) {
        auto *caption = new QLabel(drawn.text, &window);
        caption->setGeometry(drawn.place);
        caption->setStyleSheet(QStringLiteral("color: transparent;"));
        caption->setAttribute(Qt::WA_TransparentForMouseEvents);
        caption->setBuddy(drawn.box);
        drawn.box->setAccessibleName(drawn.text);
    }
    QComboBox *sizeBox = window.options().cmbDPI();
    sizeBox->setAccessibleDescription(
        QStringLiteral("压缩时把图片缩放到的尺寸，例如 1024x768；“不变”表示保持原尺寸"));
    sizeBox->lineEdit()->setAccessibleName(sizeBox->accessibleName());
    sizeBox->lineEdit()->setAccessibleDescription(sizeBox->accessibleDescription());
    window.options().cmbOutput()->setAccessibleDescription(
        QStringLiteral("结果存放在图片原始路径，或自定义的文件夹"));
    window.options().lblCF()->setAccessibleDescription(QStringLiteral("选择结果存放的文件夹"));
    window.options().imgSlider()->setAccessibleName(QStringLiteral("压缩质量"));
    window.options().imgSlider()->setAccessibleDescription(
        QStringLiteral("方向键每次调整 1，Page Up 和 Page Down 每次调整 10"));
    window.options().lblCompress()->setBuddy(window.options().imgSlider());
    window.options().lblDefault()->setAccessibleDescription(
        QStringLiteral("把尺寸、输出和压缩质量恢复为默认值"));
    window.lblWhy()->setAccessibleDescription(QStringLiteral("说明压缩后图片依然很大的原因"));
    window.queue().LV()->setAccessibleName(QStringLiteral("文件列表"));
    window.queue().LV()->setAccessibleDescription(
        QStringLiteral("等待压缩的图片；Delete 键移除选中的文件"));
    window.pb()->setAccessibleName(QStringLiteral("当前状态"));
    window.lblPB()->setBuddy(window.pb());
}

void setTabOrder(frmPrinting &window)
{
    // Top to bottom, left to right, as the window reads; the title bar's buttons last, so that
    // the first control is a command that adds images, not one that closes the window.
    QList<QWidget *> order;
    for (int index = 0; index < WindowChrome::toolbarItems; ++index)
        order.append(window.imgToolbar(index));
    order += {window.queue().LV(),
              window.options().cmbDPI(),
              window.options().cmbOutput(),
              window.options().lblCF(),
              window.options().imgSlider(),
              window.options().lblDefault(),
              window.imgStart(),
              window.lblWhy(),
              window.imgMin(),
              window.imgClose()};
    for (qsizetype index = 1; index < order.size(); ++index)
        QWidget::setTabOrder(order.at(index - 1), order.at(index));
    // The list has the focus at start: it shows no mark until it is used.
    window.queue().LV()->setFocus();
}

} // namespace WindowDescriptions
