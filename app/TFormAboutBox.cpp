#include "app/TFormAboutBox.h"

#include "common/AppTitle.h"
#include "common/FileUtils.h"
#include "common/MakerServices.h"
#include "common/Translation.h"
#include "common/UrlUtils.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QVBoxLayout>
#include <sys/sysinfo.h>

namespace {

const QString Comments = QStringLiteral("An editor for web pages and program source.");
const QString Copyright = QStringLiteral("Copyright \u00A9 2026 Velmaris. All rights reserved.");
const QString LegalNotice = QStringLiteral(
    "This program is protected by copyright law. You may use it and make copies of it for your "
    "own use. It is provided as it is, without any warranty: the maker is not liable for any "
    "loss of data or other damage that comes from using it. Keep backups of your work.");

// MemAvailable of /proc/meminfo in bytes, or -1 where the kernel does not report it.
qint64 AvailableMemory() {
    QFile file("/proc/meminfo");
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().simplified();
        if (line.startsWith("MemAvailable:")) {
            bool ok = false;
            const qint64 kb = line.split(' ').value(1).toLongLong(&ok);
            return ok ? kb * 1024 : -1;
        }
    }
    return -1;
}

} // namespace

TMemoryStatus ReadMemoryStatus() {
    struct sysinfo info {};
    if (sysinfo(&info) != 0 || info.totalram == 0)
        return {};
    const qint64 unit = info.mem_unit;
    const qint64 total = qint64(info.totalram) * unit;
    qint64 available = AvailableMemory();
    if (available < 0)
        available = qint64(info.freeram + info.bufferram) * unit;
    const qint64 used = qBound<qint64>(0, total - available, total);
    return {total, int(used * 100 / total)};
}

QString ProgramVersion() {
    return QStringLiteral(GLYPHON_VERSION);
}

TFormAboutBox::TFormAboutBox(const TMemoryStatus& memory, QWidget* parent) : QDialog(parent) {
    setObjectName("FormAboutBox");
    const QString title = ApplicationTitle() + ' ' + ProgramVersion();
    setWindowTitle(TranslateText("About", "STRING_TABLE") + ' ' + title);

    auto* icon = new QLabel(this);
    const QIcon appIcon = QApplication::windowIcon().isNull()
                              ? style()->standardIcon(QStyle::SP_FileDialogDetailedView)
                              : QApplication::windowIcon();
    icon->setPixmap(appIcon.pixmap(32, 32));

    LabelTitle = new QLabel(title, this);
    QFont bold = LabelTitle->font();
    bold.setBold(true);
    LabelTitle->setFont(bold);
    LabelComments = new QLabel(Comments, this);
    LabelCopyright = new QLabel(Copyright, this);

    const QString site = MakerSiteUrl();
    LabelUrl = new QLabel(this);
    LabelUrl->setText(QStringLiteral("<a href=\"%1\" style=\"color:blue; font-weight:bold; "
                                     "text-decoration:underline\">%2</a>")
                          .arg(site.toHtmlEscaped(), site.toHtmlEscaped()));
    LabelUrl->setCursor(Qt::PointingHandCursor);
    LabelUrl->setToolTip('[' + site + ']');
    LabelUrl->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(LabelUrl, &QLabel::linkActivated, this, [site] { OpenUrlChecked(site); });

    auto* details = new QFormLayout;
    LabelPhysMem = new QLabel(FormatKilobytes(memory.TotalPhys), this);
    LabelMemLoad = new QLabel(
        QString::number(memory.MemoryLoad) + TranslateText("% Used", "STRING_TABLE"), this);
    details->addRow("Physical memory available to Linux:", LabelPhysMem);
    details->addRow("Memory usage:", LabelMemLoad);

    auto* notice = new QPlainTextEdit(TranslateText(LegalNotice, "TFormAboutBox"), this);
    notice->setReadOnly(true);
    notice->setMaximumHeight(110);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* head = new QGridLayout;
    head->addWidget(icon, 0, 0, 4, 1, Qt::AlignTop);
    head->addWidget(LabelTitle, 0, 1);
    head->addWidget(LabelComments, 1, 1);
    head->addWidget(LabelCopyright, 2, 1);
    head->addWidget(LabelUrl, 3, 1);
    head->setColumnStretch(1, 1);
    head->setHorizontalSpacing(12);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addSpacing(8);
    layout->addLayout(details);
    layout->addWidget(notice);
    layout->addWidget(buttons);
    setSizeGripEnabled(false);
    // The memory line and the caption are made of STRING_TABLE texts already; the labels, the
    // notice and the button are the window's own.
    TranslateComponent(this);
}

bool ShowAboutBox(QWidget* parent) {
    TFormAboutBox box(ReadMemoryStatus(), parent);
    return box.exec() == QDialog::Accepted;
}
