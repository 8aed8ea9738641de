#pragma once

#include <QCoreApplication>
#include <QTranslator>

/// While it lives, the toolkit's own texts (captions, labels, buttons) of what is created
/// meanwhile stay in English, whatever translation the program installed: a dialog opened from
/// an English window speaks its language. Create it on the window's thread, around the dialog.
class EnglishToolkitTexts
{
public:
    EnglishToolkitTexts() { QCoreApplication::installTranslator(&m_untranslated); }
    ~EnglishToolkitTexts() { QCoreApplication::removeTranslator(&m_untranslated); }
    EnglishToolkitTexts(const EnglishToolkitTexts &) = delete;
    EnglishToolkitTexts &operator=(const EnglishToolkitTexts &) = delete;

private:
    /// Answers every text with itself; installed last, it is asked first.
    class Untranslated : public QTranslator
    {
    public:
        QString translate(const char *, const char *sourceText, const char *, int) const override
        {
            return QString::fromUtf8(sourceText);
        }
        bool isEmpty() const override { return false; }
    };

    Untranslated m_untranslated;
};
