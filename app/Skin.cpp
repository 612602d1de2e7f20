#include "app/Skin.h"
#include "app/Artwork.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace {

const QColor accent(164, 41, 43);

} // namespace

QPalette Skin::palette()
{
    QPalette palette(QColor(243, 244, 246));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(250, 246, 246));
    palette.setColor(QPalette::Text, QColor(38, 42, 48));
    palette.setColor(QPalette::WindowText, QColor(38, 42, 48));
    palette.setColor(QPalette::ButtonText, QColor(38, 42, 48));
    palette.setColor(QPalette::Highlight, QColor(190, 50, 48));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(255, 252, 240));
    palette.setColor(QPalette::ToolTipText, QColor(38, 42, 48));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(150, 154, 160));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(150, 154, 160));
    return palette;
}

QString Skin::styleSheet()
{
    return QStringLiteral(
               "QTreeView { border: 1px solid #d5d8dc; background: white; outline: 0; }"
               "QTreeView::item { height: 20px; }"
               "QTreeView::item:selected { background: #be3230; color: white; }"
               "QHeaderView::section { background: #f6f6f7; color: #454b54; border: none;"
               " border-bottom: 1px solid #e1e3e6; border-right: 1px solid #e9eaec;"
               " padding: 2px 6px; }"
               // Narrow padding and arrow: ten typed characters fit the 84-pixel size box.
               "QComboBox { border: 1px solid #c9ccd1; border-radius: 3px; background: white;"
               " padding: 0px 1px 0px 2px; }"
               "QComboBox:hover { border-color: %1; }"
               "QComboBox:disabled { color: #969aa0; background: #f3f4f6; }"
               "QComboBox::drop-down { border: none; width: 12px; }"
               "QComboBox::down-arrow { image: url(\"%2\"); width: 8px;"
               " height: 5px; }"
               "QComboBox::down-arrow:disabled { image: url(\"%3\"); }"
               "QComboBox QAbstractItemView { border: 1px solid #c9ccd1; background: white;"
               " outline: 0; }"
               "QComboBox QAbstractItemView::item { min-height: 20px; padding: 0px 4px; "
               "background: white;"
               " color: #262a30; }"
               "QComboBox QAbstractItemView::item:selected { background: #be3230; color: white; }"
               "QProgressBar { border: 1px solid #c9ccd1; border-radius: 3px; background: white;"
               " text-align: center; }"
               "QProgressBar::chunk { background: %1; border-radius: 2px; }"
               "QScrollBar:vertical { width: 10px; background: transparent; margin: 0; }"
               "QScrollBar::handle:vertical { background: #c9ccd1; border-radius: 4px;"
               " min-height: 24px; margin: 1px; }"
               "QScrollBar::handle:vertical:hover { background: %1; }"
               "QScrollBar:horizontal { height: 10px; background: transparent; margin: 0; }"
               "QScrollBar::handle:horizontal { background: #c9ccd1; border-radius: 4px;"
               " min-width: 24px; margin: 1px; }"
               "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"
               "QToolTip { border: 1px solid #c9ccd1; padding: 3px; }"
               "QMenu { background: white; border: 1px solid #d5d8dc; padding: 3px; }"
               "QMenu::item { padding: 4px 18px; }"
               "QMenu::item:selected { background: #be3230; color: white; }")
        .arg(accent.name(), Artwork::file(QStringLiteral("comboArrow"), qApp->devicePixelRatio()),
             Artwork::file(QStringLiteral("comboArrowDisabled"), qApp->devicePixelRatio()));
}

void Skin::SkinH_Attach()
{
    if (m_attached)
        return;
    m_previousStyle = QApplication::style()->name();
    m_previousPalette = QApplication::palette();
    m_previousStyleSheet = qApp->styleSheet();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(palette());
    qApp->setStyleSheet(styleSheet());
    m_attached = true;
}

void Skin::SkinH_Detach()
{
    if (!m_attached)
        return;
    qApp->setStyleSheet(m_previousStyleSheet);
    QApplication::setPalette(m_previousPalette);
    QApplication::setStyle(QStyleFactory::create(m_previousStyle));
    m_attached = false;
}
