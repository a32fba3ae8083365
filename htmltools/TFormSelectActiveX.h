#pragma once

#include <QDialog>
#include <QString>
#include <optional>

class QPushButton;
class QSettings;
class QTabWidget;
class QTreeWidget;
class QWidget;

// A control the chooser returns: its name and its class identifier without braces.
struct TActiveXControl {
    QString Name;
    QString ClassId;
};

// The "Insert ActiveX Control" chooser: the registered controls by name. Made for one use.
class TFormSelectActiveX : public QDialog {
    Q_OBJECT

public:
    explicit TFormSelectActiveX(QWidget* parent = nullptr);

    void ListViewSelectItem();
    void ListViewDblClick();
    // The control of the selected item, if one is selected.
    std::optional<TActiveXControl> SelectedControl() const;

    QTabWidget* PageControl = nullptr;
    QWidget* TSControls = nullptr;
    QTreeWidget* ListView = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;
};

// The store the registered controls are read from: the machine-wide settings, read only.
QSettings MachineSettings();

// Adds an item for every class key of the machine store that has a "Control" subkey.
void ListActiveXControls(QTreeWidget* list);

// Runs the chooser modally; the chosen control when it is closed with OK.
std::optional<TActiveXControl> RunActiveXChooser(QWidget* parent = nullptr);
