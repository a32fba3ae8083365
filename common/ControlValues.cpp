#include "common/ControlValues.h"

#include "common/SettingsIni.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

namespace {

// The controls whose values are kept: named, and not the inner parts of another control.
QList<QWidget*> ValueControls(QWidget* form) {
    QList<QWidget*> controls;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QObject* parent = w->parent();
        if (qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractSpinBox*>(parent))
            continue;
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QCheckBox*>(w) ||
            qobject_cast<QComboBox*>(w))
            controls.append(w);
    }
    return controls;
}

} // namespace

int TControlValueStore::ReadInteger(const QString& section, const QString& key,
                                    int defaultValue) const {
    bool ok = false;
    const int value = ReadString(section, key, QString()).toInt(&ok);
    return ok ? value : defaultValue;
}

bool TControlValueStore::ReadBool(const QString& section, const QString& key,
                                  bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QString TIniControlValueStore::ReadString(const QString& section, const QString& key,
                                          const QString& defaultValue) const {
    return ini_.ReadString(section, key, defaultValue);
}

int TIniControlValueStore::ReadInteger(const QString& section, const QString& key,
                                       int defaultValue) const {
    return ini_.ReadInteger(section, key, defaultValue);
}

bool TIniControlValueStore::ReadBool(const QString& section, const QString& key,
                                     bool defaultValue) const {
    return ini_.ReadBool(section, key, defaultValue);
}

void TIniControlValueStore::WriteString(const QString& section, const QString& key,
                                        const QString& value) {
    ini_.WriteString(section, key, value);
}

QString TMemoryControlValueStore::ReadString(const QString& section, const QString& key,
                                             const QString& defaultValue) const {
    return values_.value(section + '\n' + key, defaultValue);
}

void TMemoryControlValueStore::WriteString(const QString& section, const QString& key,
                                           const QString& value) {
    values_.insert(section + '\n' + key, value);
}

void SaveControlValues(QWidget* form, TControlValueStore& ini) {
    const QString section = form->objectName();
    for (QWidget* w : ValueControls(form)) {
        const QString name = w->objectName();
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            ini.WriteString(section, name + ".Text", edit->text());
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            ini.WriteString(section, name + ".Checked", check->isChecked() ? "1" : "0");
        } else if (auto* box = qobject_cast<QComboBox*>(w)) {
            ini.WriteString(section, name + ".ItemIndex", QString::number(box->currentIndex()));
            ini.WriteString(section, name + ".Text", box->currentText());
        }
    }
}

void LoadControlValues(QWidget* form, const TControlValueStore& ini) {
    const QString section = form->objectName();
    for (QWidget* w : ValueControls(form)) {
        const QString name = w->objectName();
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            edit->setText(ini.ReadString(section, name + ".Text", edit->text()));
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            const bool checked = ini.ReadBool(section, name + ".Checked", check->isChecked());
            check->setChecked(checked);
            // The click handler runs even when the state stays, so enabled states follow.
            emit check->clicked(checked);
        } else if (auto* box = qobject_cast<QComboBox*>(w)) {
            const QString text = ini.ReadString(section, name + ".Text", box->currentText());
            const int index = ini.ReadInteger(section, name + ".ItemIndex", box->currentIndex());
            if (box->isEditable())
                box->setEditText(text);
            else
                box->setCurrentText(text);
            box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
            // An editable box keeps its own text when no item is selected.
            if (box->isEditable() && box->currentIndex() < 0)
                box->setEditText(text);
        }
    }
}
