#include "dialogs/CCommonDialogs.h"

#include "dialogs/DialogConversions.h"
#include "dialogs/QtDialogProvider.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QWidget>

#include <limits>

using namespace DialogConversions;

CCommonDialogs::CCommonDialogs(QObject *parent)
    : QObject(parent)
    , m_provider(std::make_unique<QtDialogProvider>())
{}

CCommonDialogs::~CCommonDialogs() = default;

QString CCommonDialogs::Title() const
{
    return cutAtNul(m_title);
}

void CCommonDialogs::Init(QWidget *owner)
{
    m_owner = owner;
}

QString CCommonDialogs::Path() const
{
    return cutAtNul(m_path);
}

QString CCommonDialogs::FileTitle() const
{
    return cutAtNul(m_fileTitle);
}

QString CCommonDialogs::Filename() const
{
    return cutAtNul(m_filename);
}

bool CCommonDialogs::ShowPrinter()
{
    return m_owner && m_provider->printer(m_owner);
}

bool CCommonDialogs::ShowFolder()
{
    if (!m_owner)
        return false;
    const QString chosen = m_provider->folder(m_owner, Title());
    if (chosen.isEmpty())
        return false;
    m_path = QDir::toNativeSeparators(QDir::cleanPath(chosen));
    m_filename.clear();
    m_fileTitle.clear();
    return true;
}

bool CCommonDialogs::ShowColor(bool fullOpen)
{
    if (!m_owner)
        return false;
    const std::optional<QColor> chosen =
        m_provider->color(m_owner, colorFromColorRef(m_color), fullOpen);
    if (!chosen)
        return false;
    m_color = colorRefFromColor(*chosen);
    return true;
}

bool CCommonDialogs::ShowFont()
{
    if (!m_owner)
        return false;
    QFont initial;
    const QString family = cutAtNul(m_fontName);
    if (!family.isEmpty())
        initial.setFamily(family);
    if (m_fontSize > 0)
        initial.setPointSize(m_fontSize);
    initial.setBold(m_fontBold);
    initial.setItalic(m_fontItalic);
    initial.setUnderline(m_fontUnderline);

    const std::optional<QFont> chosen = m_provider->font(m_owner, initial);
    if (!chosen)
        return false;
    // Underline is not part of the answer: the font is chosen without effects.
    m_fontName = cutAtNul(chosen->family());
    m_fontBold = chosen->weight() >= QFont::Bold;
    m_fontItalic = chosen->italic();
    const qreal points =
        chosen->pointSizeF() > 0 ? chosen->pointSizeF() : QFontInfo(*chosen).pointSizeF();
    m_fontSize = qint16(qBound(0, qRound(points), int(std::numeric_limits<qint16>::max())));
    return true;
}

bool CCommonDialogs::ShowOpen()
{
    if (!m_owner)
        return false;
    const QString folder = m_openFolder.isEmpty() ? QDir::currentPath() : m_openFolder;
    const FileDialogRequest request{Title(), folder, Filename(), nameFilters(m_filter),
                                    cutAtNul(m_defExt)};
    const QString chosen = m_provider->openFile(m_owner, request);
    if (chosen.isEmpty())
        return false;
    storeChosenFile(chosen);
    // The next open dialog starts where the user last picked a file. Remembered here rather than
    // by moving the process's working folder, which the command line's relative paths and every
    // other relative path in the program are resolved against.
    m_openFolder = QFileInfo(chosen).absolutePath();
    return true;
}

std::optional<QString> CCommonDialogs::askOpenFile(const QString &title, const QString &filter)
{
    setFilename(QString());
    setTitle(title);
    setFilter(filter);
    if (!ShowOpen())
        return std::nullopt;
    return Filename();
}

bool CCommonDialogs::ShowPrinterProperties()
{
    return m_owner && m_provider->printerProperties(m_owner);
}

bool CCommonDialogs::ShowSave()
{
    if (!m_owner)
        return false;
    settleSaveFolder();
    const QString filter = m_filter.trimmed().isEmpty() ? QStringLiteral("*.*|*.*") : m_filter;
    const FileDialogRequest request{QStringLiteral("Save"), Path(), QString(), nameFilters(filter),
                                    QString()};
    const QString chosen = m_provider->saveFile(m_owner, request);
    if (chosen.isEmpty())
        return false;
    storeChosenFile(chosen);
    return true;
}

void CCommonDialogs::setDialogProvider(std::unique_ptr<DialogProvider> provider)
{
    m_provider = provider ? std::move(provider) : std::make_unique<QtDialogProvider>();
}

void CCommonDialogs::storeChosenFile(const QString &path)
{
    m_filename = QDir::toNativeSeparators(path);
    const SplitPath split = splitPath(m_filename);
    m_path = split.folder;
    m_fileTitle = split.name;
}

void CCommonDialogs::settleSaveFolder()
{
    QString folder = Path();
    if (!folder.trimmed().isEmpty()) {
        if (!Platform::isPathSeparator(folder.back())) {
            folder += Platform::nativeSeparator();
            setPath(folder);
        }
        if (QFileInfo(folder).isDir())
            return;
    }
    setPath(Platform::programFolder());
}
