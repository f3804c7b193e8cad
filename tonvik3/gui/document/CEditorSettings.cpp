#include "gui/document/CEditorSettings.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>

#include "morvane/api/Utf.h"

namespace ovk {

namespace {

const QString kLookKey = QStringLiteral("ApplicationLook");
const QString kRecentKey = QStringLiteral("RecentFiles");
const QString kStylePrefix = QStringLiteral("style:");

QPalette DarkPalette()
{
    QPalette p;
    const QColor window(0x35, 0x35, 0x38), base(0x23, 0x23, 0x26), text(0xE6, 0xE6, 0xE6);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Highlight, QColor(0x44, 0x66, 0xBB));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    return p;
}

} // namespace

CEditorSettings::CEditorSettings() : m_settings(QStringLiteral("tonvik3"), QStringLiteral("tonvik3")) {}

std::vector<CEditorSettings::TLook> CEditorSettings::Looks()
{
    std::vector<TLook> looks = {{QStringLiteral("fusion-light"), QStringLiteral("Fusion (light)")},
                                {QStringLiteral("fusion-dark"), QStringLiteral("Fusion (dark)")}};
    for (const QString& style : QStyleFactory::keys())
        if (style.compare(QStringLiteral("Fusion"), Qt::CaseInsensitive) != 0)
            looks.push_back({kStylePrefix + style, style});
    return looks;
}

QString CEditorSettings::Look() const { return m_settings.value(kLookKey, DefaultLook()).toString(); }

void CEditorSettings::SetLook(const QString& key)
{
    if (ApplyLook(key))
        m_settings.setValue(kLookKey, key);
}

bool CEditorSettings::ApplyLook(const QString& key)
{
    QString styleName;
    bool dark = false;
    if (key == QStringLiteral("fusion-light")) {
        styleName = QStringLiteral("Fusion");
    } else if (key == QStringLiteral("fusion-dark")) {
        styleName = QStringLiteral("Fusion");
        dark = true;
    } else if (key.startsWith(kStylePrefix)) {
        styleName = key.mid(kStylePrefix.size());
    } else {
        return false;
    }
    QStyle* style = QStyleFactory::create(styleName);
    if (!style)
        return false;
    QApplication::setStyle(style);
    QApplication::setPalette(dark ? DarkPalette() : style->standardPalette());
    return true;
}

int CEditorSettings::AutosaveSeconds() const
{
    return std::clamp(m_settings.value(QStringLiteral("AutosaveSeconds"), 30).toInt(), 1, 30);
}

bool CEditorSettings::KeepBackup() const { return m_settings.value(QStringLiteral("KeepBackup"), true).toBool(); }

void CEditorSettings::SetKeepBackup(bool keep) { m_settings.setValue(QStringLiteral("KeepBackup"), keep); }

QString CEditorSettings::MidiInput() const { return m_settings.value(QStringLiteral("MidiInput")).toString(); }

void CEditorSettings::SetMidiInput(const QString& port) { m_settings.setValue(QStringLiteral("MidiInput"), port); }

std::wstring CEditorSettings::InstrumentFolder() const
{
    return morvane::utf::PathFromBytes(m_settings.value(QStringLiteral("InstrumentFolder")).toByteArray().toStdString());
}

void CEditorSettings::SetInstrumentFolder(const std::wstring& folder)
{
    m_settings.setValue(QStringLiteral("InstrumentFolder"), QByteArray::fromStdString(morvane::utf::PathToBytes(folder)));
}

std::vector<std::wstring> CEditorSettings::RecentFiles() const
{
    std::vector<std::wstring> files;
    for (const QVariant& entry : m_settings.value(kRecentKey).toList())
        files.push_back(morvane::utf::PathFromBytes(entry.toByteArray().toStdString()));
    return files;
}

namespace {

void StoreRecent(QSettings& settings, const std::vector<std::wstring>& files)
{
    QVariantList entries;
    for (const std::wstring& file : files)
        entries.push_back(QByteArray::fromStdString(morvane::utf::PathToBytes(file)));
    settings.setValue(kRecentKey, entries);
}

} // namespace

void CEditorSettings::AddRecentFile(const std::wstring& path)
{
    std::vector<std::wstring> files = RecentFiles();
    std::erase(files, path);
    files.insert(files.begin(), path);
    if (files.size() > static_cast<std::size_t>(kRecentFiles))
        files.resize(kRecentFiles);
    StoreRecent(m_settings, files);
}

void CEditorSettings::RemoveRecentFile(const std::wstring& path)
{
    std::vector<std::wstring> files = RecentFiles();
    std::erase(files, path);
    StoreRecent(m_settings, files);
}

} // namespace ovk
