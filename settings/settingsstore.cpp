#include "settings/settingsstore.h"

#include "settings/resourcepaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>
#include <QSettings>
#include <QStringList>
#include <QTextStream>

#include <atomic>
#include <mutex>

// File format: one line "key,value;key,value" in ascending key order, UTF-8, no line end.
// A backslash escapes "\", "," and ";" inside keys and values, so every text round-trips;
// texts without those characters are stored unchanged.

namespace {

// Standard mutexes rather than QMutex: their hand-over between threads is visible to the
// thread sanitizer, which cannot see into an uninstrumented Qt.
//
// `mutex` guards the map only and is never held across disk I/O, so a slow folder
// cannot stall a thread that merely reads a setting. A save takes a numbered snapshot
// under it and writes the file afterwards under `fileMutex`; a snapshot older than the
// one already written is dropped, so saves that come faster than the disk coalesce and
// the newest text is always the one left in the file.
struct Store
{
    std::mutex mutex;
    QMap<QString, QString> map;
    QString path;
    uint64_t revision = 0; // under mutex: bumped by every saving change

    std::mutex fileMutex;
    uint64_t writtenRevision = 0; // under fileMutex
};

Store &store()
{
    static Store instance;
    return instance;
}

std::atomic<uint32_t> currentLanguage{0};

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

// Splits at every unescaped separator, keeping empty parts and leaving escapes in place.
QStringList splitUnescaped(const QString &text, QChar separator)
{
    QStringList parts;
    QString part;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            part += c;
            part += text.at(++i);
        } else if (c == separator) {
            parts.append(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.append(part);
    return parts;
}

// Removes the escapes of "\", "," and ";"; any other backslash is kept as written.
QString unescaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar next = text.at(i + 1);
            if (next == QLatin1Char('\\') || next == QLatin1Char(',') || next == QLatin1Char(';')) {
                out += next;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

bool parseLine(const QString &line, QMap<QString, QString> &map)
{
    const QStringList entries = splitUnescaped(line, QLatin1Char(';'));
    for (const QString &entry : entries) {
        const QStringList fields = splitUnescaped(entry, QLatin1Char(','));
        if (fields.size() != 2)
            return false;
        map.insert(unescaped(fields.at(0)), unescaped(fields.at(1)));
    }
    return true;
}

QString readFirstLine(const QString &path, bool *opened)
{
    QFile file(path);
    *opened = file.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!*opened)
        return QString();
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    return stream.readLine();
}

// A malformed settings file is kept beside itself before it can be overwritten.
void keepBadFile(const QString &path)
{
    const QString badPath = path + QStringLiteral(".bad");
    QFile::remove(badPath);
    if (!QFile::copy(path, badPath))
        qWarning("Settings file %s is malformed and could not be kept aside", qPrintable(path));
}

QString settingsText(const QMap<QString, QString> &map)
{
    QString text;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        text += escaped(it.key());
        text += QLatin1Char(',');
        text += escaped(it.value());
        text += QLatin1Char(';');
    }
    if (text.size() > 1)
        text.chop(1);
    return text;
}

void writeSettingsFile(const QString &path, const QString &text)
{
    if (path.isEmpty())
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("Cannot write settings file %s", qPrintable(path));
        return;
    }
    file.write(text.toUtf8());
    if (!file.commit())
        qWarning("Cannot write settings file %s: %s", qPrintable(path),
                 qPrintable(file.errorString()));
}

struct Snapshot
{
    QString path;
    QString text;
    uint64_t revision = 0;
};

// Call with s.mutex held.
Snapshot takeSnapshot(Store &s)
{
    return Snapshot{s.path, settingsText(s.map), ++s.revision};
}

void writeSnapshot(Store &s, const Snapshot &snapshot)
{
    std::lock_guard<std::mutex> lock(s.fileMutex);
    if (snapshot.revision <= s.writtenRevision)
        return; // a newer text has been written already
    writeSettingsFile(snapshot.path, snapshot.text);
    s.writtenRevision = snapshot.revision;
}

QString languageIniPath()
{
    return appUserOrShippedPath(QStringLiteral("/language/config.ini"));
}

QString languageFallback(const QString &defaultValue)
{
    const QStringList files{QStringLiteral("CN.qm"), QStringLiteral("CNF.qm"),
                            QStringLiteral("EN.qm")};
    QSettings ini(languageIniPath(), QSettings::IniFormat);
    bool ok = false;
    const int index = ini.value(QStringLiteral("LAST/Sel"), files.indexOf(defaultValue)).toInt(&ok);
    if (!ok || index < 0 || index >= files.size())
        return defaultValue;
    return files.at(index);
}

} // namespace

bool loadSettings(const QString &path)
{
    Store &s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.path = path;
    s.map.clear();
    // Start-up only: the file is read with the map locked, as no other thread runs yet.
    bool opened = false;
    const QString line = readFirstLine(path, &opened);
    if (!opened || line.isEmpty())
        return true;
    QMap<QString, QString> parsed;
    if (parseLine(line, parsed))
        s.map = parsed;
    else
        keepBadFile(path);
    return true;
}

void saveSettings()
{
    Store &s = store();
    Snapshot snapshot;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        snapshot = takeSnapshot(s);
    }
    writeSnapshot(s, snapshot);
}

QString readSetting(const QString &key, const QString &defaultValue)
{
    Store &s = store();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        const auto it = s.map.constFind(key);
        if (it != s.map.constEnd())
            return it.value();
    }
    const QString fallback =
        key == QLatin1String("Language") ? languageFallback(defaultValue) : defaultValue;
    std::lock_guard<std::mutex> lock(s.mutex);
    // Another thread may have stored the key meanwhile; its value wins.
    return *s.map.insert(key, s.map.value(key, fallback));
}

bool writeSetting(const QString &key, const QString &value, bool save)
{
    Store &s = store();
    Snapshot snapshot;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.map.insert(key, value);
        if (!save)
            return true;
        snapshot = takeSnapshot(s);
    }
    writeSnapshot(s, snapshot);
    return true;
}

bool hasSetting(const QString &key)
{
    Store &s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.map.contains(key);
}

uint32_t readSettingUInt(const QString &key, const QString &defaultValue)
{
    bool ok = false;
    const uint value = readSetting(key, defaultValue).toUInt(&ok, 10);
    return ok ? value : 0;
}

QString companyName(unsigned index)
{
    const QString missing = QStringLiteral("公司名称缺失");
    bool opened = false;
    const QString line =
        readFirstLine(appUserOrShippedPath(QStringLiteral("/config/company.txt")), &opened);
    if (!opened || line.isEmpty())
        return missing;
    const QStringList parts = line.split(QLatin1Char(';'));
    QString name = index < unsigned(parts.size()) ? parts.at(int(index)) : QString();
    if (name.isEmpty() && !parts.isEmpty())
        name = parts.first();
    return name;
}

bool showBuildInfo()
{
    QSettings ini(languageIniPath(), QSettings::IniFormat);
    return ini.value(QStringLiteral("LAST2/Sel"), 0).toInt() != 0;
}

uint32_t languageIndex()
{
    return currentLanguage.load(std::memory_order_relaxed);
}

void setLanguageIndex(uint32_t index)
{
    currentLanguage.store(index, std::memory_order_relaxed);
}

QString byLanguage(const char *simplified, const char *traditional, const char *english,
                   const char *translationContext)
{
    const uint32_t language = languageIndex();
    if (language > 2)
        return QString();
    const char *text = language == 0 ? simplified : language == 1 ? traditional : english;
    return translationContext ? QCoreApplication::translate(translationContext, text)
                              : QString::fromUtf8(text);
}
