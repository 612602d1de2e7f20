#pragma once

#include <QString>

#include <functional>

class QWidget;

// The two pieces of help the window offers: why a compressed picture can stay large, and the
// About item, which first opens the page about Tessaly (or says which file to open when the
// desktop cannot show it) and then shows the copyright line.
class HelpTexts
{
public:
    using PageOpener = std::function<bool(const QString &page)>;

    static const QString &whyTitle(); // "问题"
    static QString whyText();
    static QString aboutText();
    // The page about Tessaly shipped beside the program.
    static QString makerPage(const QString &programFolder);
    static QString pageNotOpenedText(const QString &page);

    HelpTexts();

    void lblWhy_Click(QWidget *owner) const;
    // Opens the page without waiting for the browser; whatever it says, the About box follows.
    void showAbout(QWidget *owner, const QString &programFolder) const;

    void setPageOpener(PageOpener opener) { m_openPage = std::move(opener); }

private:
    PageOpener m_openPage;
};
