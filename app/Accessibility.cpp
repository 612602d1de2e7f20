#include "app/Accessibility.h"

#include "app/PictureButton.h"
#include "options/CompressionOptions.h"
#include "options/LinkLabel.h"
#include "options/SliderThumb.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>

namespace {

QString withoutMnemonic(QString text)
{
    return text.remove(u'&');
}

// A control that a press activates as a click does, while it is enabled.
template <typename Control> class PressableAccessible : public QAccessibleWidget
{
public:
    PressableAccessible(Control *control, QAccessible::Role role)
        : QAccessibleWidget(control, role)
    {}

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (control()->isEnabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &name) override
    {
        if (name == pressAction() && control()->isEnabled())
            control()->activate();
        else
            QAccessibleWidget::doAction(name);
    }

protected:
    Control *control() const { return static_cast<Control *>(widget()); }
};

// Named and described by its command.
class PictureButtonAccessible : public PressableAccessible<PictureButton>
{
public:
    explicit PictureButtonAccessible(PictureButton *button)
        : PressableAccessible(button, QAccessible::Button)
    {}

    QString text(QAccessible::Text t) const override
    {
        const QAction *action = control()->action();
        if (action && t == QAccessible::Name && control()->accessibleName().isEmpty())
            return withoutMnemonic(action->text());
        if (action && t == QAccessible::Description && control()->accessibleDescription().isEmpty())
            return action->toolTip();
        return QAccessibleWidget::text(t);
    }

    QStringList keyBindingsForAction(const QString &name) const override
    {
        const QAction *action = control()->action();
        if (name != pressAction() || !action)
            return QAccessibleWidget::keyBindingsForAction(name);
        QStringList keys;
        for (const QKeySequence &key : action->shortcuts())
            keys.append(key.toString(QKeySequence::NativeText));
        return keys;
    }
};

// Named by its text.
class LinkAccessible : public PressableAccessible<LinkLabel>
{
public:
    explicit LinkAccessible(LinkLabel *link)
        : PressableAccessible(link, QAccessible::Link)
    {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && control()->accessibleName().isEmpty())
            return control()->text();
        // The output folder's label shows the folder shortened; its tooltip has it whole.
        if (t == QAccessible::Description && !control()->toolTip().isEmpty())
            return control()->toolTip();
        return QAccessibleWidget::text(t);
    }
};

// The quality belongs to the options; the thumb only shows where it stands.
class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    SliderAccessible(SliderThumb *thumb, CompressionOptions *options)
        : QAccessibleWidget(thumb, QAccessible::Slider)
        , m_options(options)
    {}

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value && m_options)
            return m_options->qualityCaptionText();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled())
            names = QStringList{increaseAction(), decreaseAction()} + names;
        return names;
    }

    void doAction(const QString &name) override
    {
        if (name == increaseAction())
            step(1);
        else if (name == decreaseAction())
            step(-1);
        else
            QAccessibleWidget::doAction(name);
    }

    QVariant currentValue() const override
    {
        return m_options ? QVariant(int(m_options->Quality())) : QVariant();
    }
    void setCurrentValue(const QVariant &value) override
    {
        if (m_options && value.canConvert<int>())
            step(value.toInt() - m_options->Quality());
    }
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 1; }
    QVariant minimumStepSize() const override { return 1; }

private:
    // As the arrow keys do, and only while the thumb takes input.
    void step(int steps)
    {
        if (m_options && widget()->isEnabled())
            m_options->imgSlider_KeyDown(steps);
    }

    QPointer<CompressionOptions> m_options;
};

QLabel *statusLabelOf(const QWidget *widget)
{
    const QWidget *parent = widget->parentWidget();
    if (!parent)
        return nullptr;
    const QList<QLabel *> labels = parent->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    for (QLabel *label : labels) {
        if (label->buddy() == widget)
            return label;
    }
    return nullptr;
}

// A progress bar whose status is told by the label that names it as its buddy. The label is
// looked up on each question: a bar is described as soon as it is made, before any label names
// it.
class StatusBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit StatusBarAccessible(QProgressBar *bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar)
    {}

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        const QLabel *status = statusLabelOf(bar());
        if (t == QAccessible::Value)
            return status ? status->text() : QString::number(bar()->value());
        // The run's summary and its failures are in the status label's tooltip.
        if (t == QAccessible::Description && status && !status->toolTip().isEmpty())
            return status->toolTip();
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return bar()->maximum(); }
    QVariant minimumValue() const override { return bar()->minimum(); }
    QVariant minimumStepSize() const override { return 0; }

private:
    QProgressBar *bar() const { return static_cast<QProgressBar *>(widget()); }
};

// The main window offers the controls the user can see, and its popup menus while they are
// open (the generic description leaves a popup out, so a screen reader could not reach it);
// hidden controls, such as the queue's path list, are not offered.
class WindowAccessible : public QAccessibleWidget
{
public:
    explicit WindowAccessible(QWidget *window)
        : QAccessibleWidget(window, QAccessible::Window)
    {}

    int childCount() const override { return int(offered().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> children = offered();
        if (index < 0 || index >= children.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(children.at(index));
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        return int(offered().indexOf(qobject_cast<QWidget *>(child->object())));
    }

private:
    QList<QWidget *> offered() const
    {
        QList<QWidget *> children;
        for (QObject *object : widget()->children()) {
            auto *child = qobject_cast<QWidget *>(object);
            if (!child || child->isHidden())
                continue;
            if (child->isWindow() && !qobject_cast<QMenu *>(child))
                continue;
            children.append(child);
        }
        return children;
    }
};

CompressionOptions *optionsOf(const QWidget *thumb)
{
    const QWidget *window = thumb->parentWidget();
    return window ? window->findChild<CompressionOptions *>(QString(), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

QAccessibleInterface *describe(const QString &className, QObject *object)
{
    if (className == QStringLiteral("PictureButton"))
        return new PictureButtonAccessible(static_cast<PictureButton *>(object));
    if (className == QStringLiteral("LinkLabel"))
        return new LinkAccessible(static_cast<LinkLabel *>(object));
    if (className == QStringLiteral("SliderThumb")) {
        auto *thumb = static_cast<SliderThumb *>(object);
        if (CompressionOptions *options = optionsOf(thumb))
            return new SliderAccessible(thumb, options);
        return nullptr;
    }
    if (className == QStringLiteral("frmPrinting"))
        return new WindowAccessible(static_cast<QWidget *>(object));
    if (className == QStringLiteral("QProgressBar"))
        return new StatusBarAccessible(static_cast<QProgressBar *>(object));
    return nullptr;
}

} // namespace

namespace Accessibility {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(describe);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace Accessibility
