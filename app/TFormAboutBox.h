#pragma once

#include <QDialog>

class QLabel;

// The machine's physical memory: its size in bytes and the share in use, in percent.
struct TMemoryStatus {
    qint64 TotalPhys = 0;
    int MemoryLoad = 0;
};

// What the kernel reports now (sysinfo; the share in use leaves out memory the kernel can hand
// back at once, such as the file cache, where /proc/meminfo says how much that is).
TMemoryStatus ReadMemoryStatus();

// The program's version as the build gives it ("1.0.0").
QString ProgramVersion();

// The About window: the program's name and version, the maker's address, the machine's memory
// and a short legal notice, closed with OK.
class TFormAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TFormAboutBox(const TMemoryStatus& memory, QWidget* parent = nullptr);

    QLabel* LabelTitle = nullptr;
    QLabel* LabelComments = nullptr;
    QLabel* LabelCopyright = nullptr;
    QLabel* LabelUrl = nullptr;
    QLabel* LabelPhysMem = nullptr;
    QLabel* LabelMemLoad = nullptr;
};

// Shows the About window modally over Parent; true when it was closed with OK.
bool ShowAboutBox(QWidget* parent = nullptr);
