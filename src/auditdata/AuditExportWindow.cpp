#include "auditdata/AuditExportWindow.h"

#include "auditdata/AuditDataSource.h"
#include "auditdata/AuditExporter.h"
#include "auditdata/DirectoryList.h"
#include "components/ControlBuilders.h"
#include "components/DbException.h"
#include "components/Grid.h"
#include "components/MessageLog.h"
#include "components/PlatformServices.h"
#include "components/TaskContext.h"
#include "components/Twips.h"
#include "components/WindowOperation.h"
#include "sqlserver/AuditNameRules.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStorageInfo>

namespace quorvex {

namespace {

// What a purging export of a 1,000,000-row audit table took when measured (bench/ExportBench):
// statements on the audited table may wait that long.
constexpr int measuredPurgeSecondsPerMillionRows = 2;

const QString& pleaseEnterFileName() {
    static const QString text = QStringLiteral("Please enter a file name");
    return text;
}

// The exporter's progress goes to the task, and a cancel of the task ends the export.
void followTask(AuditExporter& exporter, TaskContext& task, qint64 recordLimit) {
    exporter.setProgress([&task](qint64 written) {
        task.reportProgress(written);
        return !task.isCancelled();
    });
    if (recordLimit > 0)
        exporter.setRecordLimit(recordLimit);
}

} // namespace

// What an operation of the window shares with its worker: written there, read here once the
// worker has ended.
struct AuditExportWindow::Shared {
    MessageLog log;
    std::optional<ExportResult> exported;
    std::optional<PurgeResult> purged;
};

AuditExportWindow::AuditExportWindow(std::shared_ptr<AuditDataSource> source, Grid& installedAudits,
                                     PlatformServices& services, WindowPresenter present,
                                     QWidget* parent)
    : QWidget(parent), m_source(std::move(source)), m_installedAudits(&installedAudits),
      m_services(services), m_present(std::move(present)), m_spreadsheetFolder(QDir::tempPath()) {
    setObjectName(m_source->traits().exportObjectName);
    setWindowTitle(QStringLiteral("Quorvex - Export"));
    // The layout's 4590 twips, and a row for the choice of rows.
    setFixedSize(sizeFromTwips(4935, 5070));
    buildControls();
    fillDrives();
    m_operation = new WindowOperation(this);
    m_operation->blockWhileBusy({m_cmdExport, m_cmdPurge, m_cmdBoth});
}

AuditExportWindow::~AuditExportWindow() {
    // A worker still running is cancelled and ends on its own; what it shares it owns.
    m_operation->cancel();
}

bool AuditExportWindow::isBusy() const {
    return m_purgeWaiting || m_operation->isBusy();
}

void AuditExportWindow::buildControls() {
    // Lists and the text box look like the main window's entries; options and buttons alike.
    m_Drive1 = new QComboBox(this);
    m_Drive1->setObjectName(QStringLiteral("Drive1"));
    placeAt(m_Drive1, 240, 240, 3015, 315);
    setEntryLook(m_Drive1);

    m_Dir1 = new DirectoryList(this);
    m_Dir1->setObjectName(QStringLiteral("Dir1"));
    placeAt(m_Dir1, 240, 720, 3015, 2790);
    setEntryLook(m_Dir1);

    m_txtFileName = newTextBox(this, QStringLiteral("txtFileName"), 240, 3840, 3015, 375);

    m_optCSV =
        newOption(this, QStringLiteral("optCSV"), QStringLiteral("CSV"), 3480, 720, 1095, 255);
    m_optXML =
        newOption(this, QStringLiteral("optXML"), QStringLiteral("XML"), 3480, 1440, 855, 375);
    m_optExcel =
        newOption(this, QStringLiteral("optExcel"), QStringLiteral("EXCEL"), 3480, 2160, 1095, 375);
    auto* formats = new QButtonGroup(this);
    formats->addButton(m_optCSV);
    formats->addButton(m_optXML);
    formats->addButton(m_optExcel);
    m_optCSV->setChecked(true);

    m_cmdExport = newButton(this, QStringLiteral("cmdExport"), QStringLiteral("EXPORT"), 3480, 2880,
                            1335, 375);
    m_cmdPurge =
        newButton(this, QStringLiteral("cmdPurge"), QStringLiteral("PURGE"), 3480, 3360, 1335, 375);
    m_cmdBoth =
        newButton(this, QStringLiteral("cmdBoth"), QStringLiteral("BOTH"), 3480, 3840, 1335, 375);

    m_optAllRows =
        newOption(this, QStringLiteral("optAllRows"), tr("All rows"), 240, 4440, 1335, 375);
    m_optOlderThan =
        newOption(this, QStringLiteral("optOlderThan"), tr("Older than"), 1620, 4440, 1455, 375);
    auto* rowChoice = new QButtonGroup(this);
    rowChoice->addButton(m_optAllRows);
    rowChoice->addButton(m_optOlderThan);
    m_optAllRows->setChecked(true);
    m_txtDays = new QSpinBox(this);
    m_txtDays->setObjectName(QStringLiteral("txtDays"));
    m_txtDays->setRange(1, AuditTable::maxAgeDays);
    m_txtDays->setValue(30);
    m_txtDays->setEnabled(false);
    placeAt(m_txtDays, 3120, 4440, 855, 375);
    setEntryLook(m_txtDays);
    newLabel(this, QStringLiteral("lblDays"), tr("days"), 4035, 4485, 735, 285);
    connect(m_optOlderThan, &QRadioButton::toggled, m_txtDays, &QSpinBox::setEnabled);

    // Tab order: the directory list first, then the drives, the name, the options, the buttons.
    QWidget::setTabOrder(m_Dir1, m_Drive1);
    QWidget::setTabOrder(m_Drive1, m_txtFileName);
    QWidget::setTabOrder(m_txtFileName, m_optCSV);
    QWidget::setTabOrder(m_optCSV, m_optXML);
    QWidget::setTabOrder(m_optXML, m_optExcel);
    QWidget::setTabOrder(m_optExcel, m_cmdExport);
    QWidget::setTabOrder(m_cmdExport, m_cmdPurge);
    QWidget::setTabOrder(m_cmdPurge, m_cmdBoth);
    QWidget::setTabOrder(m_cmdBoth, m_optAllRows);
    QWidget::setTabOrder(m_optAllRows, m_optOlderThan);
    QWidget::setTabOrder(m_optOlderThan, m_txtDays);

    // The spreadsheet takes no file name, so the box goes while EXCEL is chosen.
    connect(m_optCSV, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            showFileNameFor(ExportFormat::Csv);
    });
    connect(m_optXML, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            showFileNameFor(ExportFormat::Xml);
    });
    connect(m_optExcel, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            showFileNameFor(ExportFormat::Xlsx);
    });
    connect(m_cmdExport, &QPushButton::clicked, this, &AuditExportWindow::exportAudit);
    connect(m_cmdPurge, &QPushButton::clicked, this, &AuditExportWindow::purgeAudit);
    connect(m_cmdBoth, &QPushButton::clicked, this, &AuditExportWindow::exportAndPurge);
    connect(m_Drive1, &QComboBox::activated, this, &AuditExportWindow::chooseDrive);

    m_Dir1->setPath(m_services.workingDirectory.current());
}

void AuditExportWindow::fillDrives() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
    roots.sort();
    m_Drive1->clear();
    m_Drive1->addItems(roots);
    // The mount point holding the open folder: the longest root that starts its path.
    const QString path = m_Dir1->path();
    int best = -1;
    for (int i = 0; i < roots.size(); ++i) {
        const QString& root = roots[i];
        const bool holds = path == root || root == u"/" ||
                           path.startsWith(root.endsWith(u'/') ? root : root + u'/');
        if (holds && (best < 0 || root.size() > roots[best].size()))
            best = i;
    }
    m_Drive1->setCurrentIndex(best);
}

void AuditExportWindow::chooseDrive(int index) {
    if (index >= 0)
        m_Dir1->setPath(m_Drive1->itemText(index));
}

void AuditExportWindow::showFileNameFor(ExportFormat format) {
    m_txtFileName->setVisible(format != ExportFormat::Xlsx);
}

ExportFormat AuditExportWindow::selectedFormat() const {
    if (m_optXML->isChecked())
        return ExportFormat::Xml;
    if (m_optExcel->isChecked())
        return ExportFormat::Xlsx;
    return ExportFormat::Csv;
}

QString AuditExportWindow::targetPath(const AuditTable& audit) const {
    switch (selectedFormat()) {
    case ExportFormat::Csv:
        return QDir(m_Dir1->path()).filePath(m_txtFileName->text() + QStringLiteral(".CSV"));
    case ExportFormat::Xml:
        return QDir(m_Dir1->path()).filePath(m_txtFileName->text() + QStringLiteral(".xml"));
    case ExportFormat::Xlsx:
        break;
    }
    return QDir(m_spreadsheetFolder).filePath(audit.name() + QStringLiteral(".xlsx"));
}

void AuditExportWindow::open(Grid& installedAudits) {
    m_installedAudits = &installedAudits;
    presentKeptWindow(*this, m_present);
}

std::optional<AuditTable> AuditExportWindow::currentAudit() {
    Grid* grid = m_installedAudits.data();
    if (grid == nullptr)
        return std::nullopt;
    const int row = grid->currentRow();
    if (row == Grid::NoCurrentRow || row >= grid->rowCount()) {
        m_services.messages.show(tr("Please select an audit in the list of installed audits."),
                                 MessageIcon::Information);
        return std::nullopt;
    }
    const QString name = grid->cellText(row, m_source->traits().nameColumn);
    std::optional<AuditTable> audit = AuditTable::fromName(m_source->traits().store, name);
    if (!audit)
        m_services.messages.show(invalidAuditNameMessage(), MessageIcon::Exclamation);
    else if (m_optOlderThan->isChecked())
        audit = audit->olderThan(m_txtDays->value());
    return audit;
}

void AuditExportWindow::startPurging(const AuditTable& audit, std::function<void()> start) {
    if (!m_beforePurge) {
        start();
        return;
    }
    m_purgeWaiting = true;
    QPointer<AuditExportWindow> self(this);
    m_beforePurge(audit.name(), [self, start = std::move(start)] {
        if (!self)
            return;
        self->m_purgeWaiting = false;
        start();
    });
}

void AuditExportWindow::run(const AuditTable& audit, const QString& what,
                            std::function<void(TaskContext&)> work, std::function<void()> ended) {
    m_busyAudit = audit.name();
    m_operation->run(what, std::move(work), [this, ended = std::move(ended)] {
        m_busyAudit.clear();
        QPointer<AuditExportWindow> self(this);
        ended();
        for (std::function<void()>& ready : std::exchange(m_whenEnded, {})) {
            if (!self)
                return;
            ready();
        }
    });
}

std::optional<AuditTable> AuditExportWindow::auditToExport(ExportFormat format) {
    if (isBusy())
        return std::nullopt;
    m_exportCompleted = false;
    if (format != ExportFormat::Xlsx && m_txtFileName->text().isEmpty()) {
        m_services.messages.show(pleaseEnterFileName(), MessageIcon::Information);
        return std::nullopt;
    }
    return currentAudit();
}

void AuditExportWindow::exportAudit() {
    const ExportFormat format = selectedFormat();
    const std::optional<AuditTable> audit = auditToExport(format);
    if (!audit)
        return;
    const QString target = targetPath(*audit);
    // A workbook in the temporary folder, there only to be opened, is the user's alone.
    const FileAccess access =
        format == ExportFormat::Xlsx ? FileAccess::OwnerOnly : FileAccess::LikeTarget;
    auto shared = std::make_shared<Shared>();
    run(
        *audit, tr("Exporting %1").arg(audit->name()),
        [source = m_source, audit = *audit, format, target, access, limit = m_recordLimit, shared,
         step = tr("rows written")](TaskContext& task) {
            task.reportStep(step);
            AuditExporter exporter(format, target, audit.name(), access);
            followTask(exporter, task, limit);
            shared->exported = source->exportRows(audit, exporter, shared->log, task);
        },
        [this, shared, format, target] { exportEnded(*shared, format, target); });
}

void AuditExportWindow::exportEnded(Shared& shared, ExportFormat format, const QString& target) {
    QPointer<AuditExportWindow> self(this);
    shared.log.replay(m_services.messages); // the connection's failure, if any
    if (!self)
        return;
    if (!shared.exported) {
        Q_EMIT auditRowsChanged(); // no connection: a failed export
        return;
    }
    switch (shared.exported->outcome) {
    case ExportResult::Outcome::Completed:
        m_exportCompleted = true;
        if (format == ExportFormat::Xlsx)
            openWorkbook(target);
        if (!m_source->traits().exportCompletedMessage.isEmpty())
            m_services.messages.show(m_source->traits().exportCompletedMessage);
        return;
    case ExportResult::Outcome::Failed:
        m_services.messages.show(shared.exported->message, MessageIcon::Critical);
        if (self)
            Q_EMIT auditRowsChanged();
        return;
    case ExportResult::Outcome::Cancelled:
        return;
    }
}

void AuditExportWindow::purgeAudit() {
    if (isBusy())
        return;
    const std::optional<AuditTable> audit = currentAudit();
    if (!audit)
        return;
    const QString question =
        audit->olderThanDays()
            ? tr("Delete the rows older than %3 days the audit %1 has recorded in %2? The rows are "
                 "not written to a file first; BOTH writes them to a file and deletes only what "
                 "the file holds.")
                  .arg(audit->name(), audit->tableName())
                  .arg(*audit->olderThanDays())
            : tr("Delete every row the audit %1 has recorded in %2? The rows are not written to a "
                 "file first; BOTH writes them to a file and deletes only what the file holds.")
                  .arg(audit->name(), audit->tableName());
    if (!m_services.messages.askYesNo(question))
        return;
    startPurging(*audit, [this, audit = *audit] {
        auto shared = std::make_shared<Shared>();
        run(
            audit, tr("Purging %1").arg(audit.name()),
            [source = m_source, audit, shared](TaskContext& task) {
                shared->purged = source->purge(audit, shared->log, task);
            },
            [this, shared] { purgeEnded(*shared); });
    });
}

void AuditExportWindow::purgeEnded(Shared& shared) {
    QPointer<AuditExportWindow> self(this);
    shared.log.replay(m_services.messages);
    if (!self || !shared.purged)
        return; // the connection's failure has been shown
    const PurgeResult& result = *shared.purged;
    switch (result.outcome) {
    case PurgeResult::Outcome::Purged:
    case PurgeResult::Outcome::FileOnly:
        break;
    case PurgeResult::Outcome::TableBusy:
        m_services.messages.show(result.message, MessageIcon::Exclamation);
        return;
    case PurgeResult::Outcome::Failed:
        m_services.messages.show(result.message, MessageIcon::Critical);
        return;
    case PurgeResult::Outcome::Cancelled:
        return; // nothing was deleted
    }
    if (!m_source->traits().purgeCompletedMessage.isEmpty())
        m_services.messages.show(m_source->traits().purgeCompletedMessage);
    if (self)
        Q_EMIT auditRowsChanged();
}

void AuditExportWindow::exportAndPurge() {
    const ExportFormat format = selectedFormat();
    // One audit for both steps: the rows purged are those of the audit just exported.
    const std::optional<AuditTable> audit = auditToExport(format);
    if (!audit)
        return;
    // The workbook goes to the chosen folder like the other formats, under a name no file has
    // yet: it is the only copy of the rows.
    const QString target =
        format == ExportFormat::Xlsx ? freeWorkbookPath(*audit) : targetPath(*audit);
    const QString rows = audit->olderThanDays()
                             ? tr("the rows older than %1 days").arg(*audit->olderThanDays())
                             : tr("the rows");
    QString question =
        tr("Write %5 the audit %1 has recorded to %2, then delete exactly those rows from "
           "%3?\n\nUntil the file is complete, statements on the audited table may wait "
           "(about %4 seconds for 1,000,000 rows).")
            .arg(audit->name(), QDir::toNativeSeparators(target), audit->tableName(),
                 QString::number(measuredPurgeSecondsPerMillionRows), rows);
    if (QFileInfo::exists(target))
        question +=
            tr("\n\n%1 exists already and will be replaced.").arg(QDir::toNativeSeparators(target));
    if (!m_services.messages.askYesNo(question))
        return;

    startPurging(*audit, [this, audit = *audit, format, target] {
        auto shared = std::make_shared<Shared>();
        run(
            audit, tr("Exporting and purging %1").arg(audit.name()),
            [source = m_source, audit, format, target, limit = m_recordLimit, shared,
             step = tr("rows written")](TaskContext& task) {
                task.reportStep(step);
                AuditExporter exporter(format, target, audit.name());
                followTask(exporter, task, limit);
                shared->purged = source->exportAndPurge(audit, exporter, shared->log, task);
            },
            [this, shared, format, target] { bothEnded(*shared, format, target); });
    });
}

void AuditExportWindow::bothEnded(Shared& shared, ExportFormat format, const QString& target) {
    QPointer<AuditExportWindow> self(this);
    shared.log.replay(m_services.messages);
    if (!self || !shared.purged)
        return; // the connection's failure has been shown
    const PurgeResult& result = *shared.purged;
    const AuditDataTraits& traits = m_source->traits();
    switch (result.outcome) {
    case PurgeResult::Outcome::Purged:
        m_exportCompleted = true;
        if (!traits.exportCompletedMessage.isEmpty())
            m_services.messages.show(traits.exportCompletedMessage);
        if (!traits.purgeCompletedMessage.isEmpty())
            m_services.messages.show(traits.purgeCompletedMessage);
        if (format == ExportFormat::Xlsx)
            openWorkbook(target);
        break;
    case PurgeResult::Outcome::FileOnly:
        m_exportCompleted = true;
        m_services.messages.show(tr("The file %1 is complete, but the rows were not deleted:\n%2")
                                     .arg(QDir::toNativeSeparators(target), result.message),
                                 MessageIcon::Critical);
        if (format == ExportFormat::Xlsx)
            openWorkbook(target);
        break;
    case PurgeResult::Outcome::TableBusy:
        m_services.messages.show(result.message, MessageIcon::Exclamation);
        break;
    case PurgeResult::Outcome::Failed:
        m_services.messages.show(result.message, MessageIcon::Critical);
        break;
    case PurgeResult::Outcome::Cancelled:
        return; // no file, nothing deleted
    }
    if (self)
        Q_EMIT auditRowsChanged();
}

QString AuditExportWindow::freeWorkbookPath(const AuditTable& audit) const {
    const QDir folder(m_Dir1->path());
    QString path = folder.filePath(audit.name() + QStringLiteral(".xlsx"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(QStringLiteral("%1 (%2).xlsx").arg(audit.name()).arg(n));
    return path;
}

void AuditExportWindow::openWorkbook(const QString& path) {
    if (!m_services.desktop.openFile(path))
        m_services.messages.show(tr("The spreadsheet was saved as %1 but could not be opened.")
                                     .arg(QDir::toNativeSeparators(path)),
                                 MessageIcon::Exclamation);
}

bool AuditExportWindow::releaseAudit(const QString& auditName, std::function<void()> ready) {
    if (!m_operation->isBusy() ||
        m_busyAudit.compare(auditName.trimmed(), Qt::CaseInsensitive) != 0)
        return false;
    m_whenEnded.push_back(std::move(ready));
    m_operation->cancel();
    return true;
}

void AuditExportWindow::closeEvent(QCloseEvent* event) {
    // The window is kept; what it was doing stops.
    if (m_operation->isBusy())
        m_operation->cancel();
    event->accept();
}

} // namespace quorvex
