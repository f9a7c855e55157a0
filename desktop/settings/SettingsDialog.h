#pragma once

#include <QColor>
#include <QDialog>

#include "desktop/settings/SettingsControlsUi.h"
#include "platform/Error.h"

namespace qm {

struct SettingKey;
class UserDialogs;

// The settings dialog, "Settings": edits settings.dat. Built afresh at each opening and filled from the file; OK
// checks the file name and the Page tab's values, writes every key and reports the output format for the URL
// list's rows; Cancel writes nothing. The colour pickers and the watermark-image picker write their key at once.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    // `programFolder` is shown for an output folder of "0".
    SettingsDialog(QString settingsPath, QString programFolder, UserDialogs& dialogs, QWidget* parent = nullptr);

    const SettingsControls& controls() const { return m_c; }

    // "Reload": the file's current contents into the controls.
    void reload();

signals:
    // After OK has written the keys: the "outputformat" read back, for every row of the URL list.
    void outputFormatWritten(const QString& format);

private:
    void loadFromFile();
    void resetControls();
    void fillFormats(); // a choice of output type
    void applyEnableRules();
    void onOk();
    void pickColour(bool textColour);
    void pickWatermarkImage();
    void pickFolder();
    void pickPageFile(QLineEdit* target, const QString& filter);
    void loadPageTab();
    // The Page tab's values, every "page" key but the run-only "auth"; or why one cannot be used.
    Result<QList<std::pair<const SettingKey*, QString>>> pageValues() const;

    QString read(const SettingKey& key) const;
    void write(const SettingKey& key, const QString& value) const;

    QString m_settingsPath;
    QString m_programFolder;
    UserDialogs& m_dialogs;
    QStringList m_devices; // the Page tab's device presets, after "none"
    SettingsControls m_c;
    QColor m_lastColour = Qt::black; // the common dialog's colour: the last one picked here
};

} // namespace qm
