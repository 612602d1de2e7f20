#include "platform/SoundPlayer.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#ifdef Q_OS_WIN
#include <QDir>

#include <windows.h>

#include <mmsystem.h>
#else
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#endif

namespace {

#ifndef Q_OS_WIN
constexpr int playbackMarginMs = 400;
#endif

quint32 readLittle32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

} // namespace

int SoundPlayer::durationMs(const QString &wavPath)
{
    QFile file(wavPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray header = file.read(12);
    if (header.size() < 12 || !header.startsWith("RIFF") || header.mid(8, 4) != "WAVE")
        return 0;
    quint32 byteRate = 0;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(8);
        if (chunk.size() < 8)
            return 0;
        const quint32 size = readLittle32(chunk.constData() + 4);
        if (chunk.startsWith("fmt ")) {
            const QByteArray format = file.read(size);
            if (format.size() < 16)
                return 0;
            byteRate = readLittle32(format.constData() + 8);
            if (size % 2)
                file.read(1);
        } else if (chunk.startsWith("data")) {
            return byteRate ? int(qint64(size) * 1000 / byteRate) : 0;
        } else if (!file.seek(file.pos() + size + (size % 2))) {
            return 0;
        }
    }
    return 0;
}

void SoundPlayer::play(const QString &wavPath)
{
    const int duration = durationMs(wavPath);
    if (!QFileInfo(wavPath).isFile() || duration <= 0) {
        QApplication::beep();
        return;
    }

#ifdef Q_OS_WIN
    // Should the file vanish meanwhile, the system plays its default sound instead.
    const QString nativePath = QDir::toNativeSeparators(wavPath);
    PlaySoundW(reinterpret_cast<const wchar_t *>(nativePath.utf16()), nullptr,
               SND_FILENAME | SND_ASYNC);
#else
    auto *effect = new QSoundEffect(QCoreApplication::instance());
    auto *limit = new QTimer(effect);
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, effect, &QObject::deleteLater);
    QObject::connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
        if (!effect->isPlaying())
            effect->deleteLater();
    });
    QObject::connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
        if (effect->status() == QSoundEffect::Ready)
            effect->play();
        else if (effect->status() == QSoundEffect::Error)
            effect->deleteLater();
    });
    effect->setSource(QUrl::fromLocalFile(wavPath));
    limit->start(duration + playbackMarginMs);
#endif
}
