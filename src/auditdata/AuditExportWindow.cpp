#include "auditdata/AuditExportWindow.h"

#include "auditdata/AuditDataSource.h"
#include "auditdata/AuditExporter.h"
#include "auditdata/DirectoryList.h"
#include "auditdata/ExportProgress.h"
#include "components/DbException.h"
#include "components/Grid.h"
#include "components/PlatformServices.h"
#include "components/ControlBuilders.h"
#include "components/Twips.h"
#include "sqlserver/AuditNameRules.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
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

} // namespace

AuditExportWindow::AuditExportWindow(AuditDataSource& source, Grid& installedAudits,
                                     PlatformServices& services, WindowPresenter present,
                                     QWidget* parent)
    : QWidget(parent), m_source(&source), m_installedAudits(&installedAudits), m_services(services),
      m_present(std::move(present)), m_spreadsheetFolder(QDir::tempPath()) {
    setObjectName(source.traits().exportObjectName);
    setWindowTitle(QStringLiteral("Quorvex - Export"));
    setFixedSize(sizeFromTwips(4935, 4590));
    buildControls();
    fillDrives();
}

AuditExportWindow::~AuditExportWindow() = default;

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

    // Tab order: the directory list first, then the drives, the name, the options, the buttons.
    QWidget::setTabOrder(m_Dir1, m_Drive1);
    QWidget::setTabOrder(m_Drive1, m_txtFileName);
    QWidget::setTabOrder(m_txtFileName, m_optCSV);
    QWidget::setTabOrder(m_optCSV, m_optXML);
    QWidget::setTabOrder(m_optXML, m_optExcel);
    QWidget::setTabOrder(m_optExcel, m_cmdExport);
    QWidget::setTabOrder(m_cmdExport, m_cmdPurge);
    QWidget::setTabOrder(m_cmdPurge, m_cmdBoth);

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
    if (m_source == nullptr || grid == nullptr)
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
    return audit;
}

void AuditExportWindow::exportAudit() {
    if (m_busy)
        return;
    m_exportCompleted = false;
    if (selectedFormat() != ExportFormat::Xlsx && m_txtFileName->text().isEmpty()) {
        m_services.messages.show(pleaseEnterFileName(), MessageIcon::Information);
        return;
    }
    if (const std::optional<AuditTable> audit = currentAudit())
        m_exportCompleted = runExport(*audit);
}

void AuditExportWindow::purgeAudit() {
    if (m_busy)
        return;
    const std::optional<AuditTable> audit = currentAudit();
    if (!audit)
        return;
    if (!m_services.messages.askYesNo(
            tr("Delete every row the audit %1 has recorded in %2? The rows are not written to a "
               "file first; BOTH writes them to a file and deletes only what the file holds.")
                .arg(audit->name(), audit->tableName())))
        return;
    runPurge(*audit);
}

void AuditExportWindow::exportAndPurge() {
    if (m_busy)
        return;
    m_exportCompleted = false;
    const ExportFormat format = selectedFormat();
    if (format != ExportFormat::Xlsx && m_txtFileName->text().isEmpty()) {
        m_services.messages.show(pleaseEnterFileName(), MessageIcon::Information);
        return;
    }
    // One audit for both steps: the rows purged are those of the audit just exported.
    const std::optional<AuditTable> audit = currentAudit();
    if (!audit)
        return;
    // The workbook goes to the chosen folder like the other formats, under a name no file has
    // yet: it is the only copy of the rows.
    const QString target =
        format == ExportFormat::Xlsx ? freeWorkbookPath(*audit) : targetPath(*audit);
    QString question =
        tr("Write the rows the audit %1 has recorded to %2, then delete exactly those rows from "
           "%3?\n\nUntil the file is complete, statements on the audited table may wait "
           "(about %4 seconds for 1,000,000 rows).")
            .arg(audit->name(), QDir::toNativeSeparators(target), audit->tableName(),
                 QString::number(measuredPurgeSecondsPerMillionRows));
    if (QFileInfo::exists(target))
        question +=
            tr("\n\n%1 exists already and will be replaced.").arg(QDir::toNativeSeparators(target));
    if (!m_services.messages.askYesNo(question))
        return;

    m_busy = true;
    QPointer<AuditExportWindow> self(this);
    std::optional<PurgeResult> result;
    {
        ExportProgress progress(this, audit->name(), m_progressDelay);
        AuditExporter exporter(format, target, audit->name());
        exporter.setProgress([&progress](qint64 written) { return progress.update(written); });
        if (m_recordLimit > 0)
            exporter.setRecordLimit(m_recordLimit);
        result = m_source->exportAndPurge(*audit, exporter);
    }
    if (!self)
        return;
    m_busy = false;
    if (!result || m_source == nullptr)
        return; // the connection failure has been shown

    const AuditDataTraits& traits = m_source->traits();
    switch (result->outcome) {
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
                                     .arg(QDir::toNativeSeparators(target), result->message),
                                 MessageIcon::Critical);
        if (format == ExportFormat::Xlsx)
            openWorkbook(target);
        break;
    case PurgeResult::Outcome::TableBusy:
        m_services.messages.show(result->message, MessageIcon::Exclamation);
        break;
    case PurgeResult::Outcome::Failed:
        m_services.messages.show(result->message, MessageIcon::Critical);
        break;
    case PurgeResult::Outcome::Cancelled:
        break;
    }
    if (Grid* grid = m_installedAudits.data())
        m_source->refreshAudits(*grid);
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

bool AuditExportWindow::runExport(const AuditTable& audit) {
    const QString target = targetPath(audit);
    const ExportFormat format = selectedFormat();
    m_busy = true;
    QPointer<AuditExportWindow> self(this);
    ExportResult result;
    {
        std::optional<AuditRows> rows;
        try {
            rows = m_source->openRows(audit);
        } catch (const DbException& e) {
            result.message = e.description();
        }
        if (rows) {
            ExportProgress progress(this, audit.name(), m_progressDelay);
            // A workbook in the temporary folder, there only to be opened, is the user's alone.
            AuditExporter exporter(format, target, audit.name(),
                                   format == ExportFormat::Xlsx ? FileAccess::OwnerOnly
                                                                : FileAccess::LikeTarget);
            exporter.setProgress([&progress](qint64 written) { return progress.update(written); });
            if (m_recordLimit > 0)
                exporter.setRecordLimit(m_recordLimit);
            result = exporter.run(rows->recordset());
        } else if (result.message.isEmpty()) {
            result.outcome = ExportResult::Outcome::Cancelled; // the connection failure is shown
        }
    }
    if (!self)
        return false;
    m_busy = false;

    Grid* grid = m_installedAudits.data();
    switch (result.outcome) {
    case ExportResult::Outcome::Completed:
        if (format == ExportFormat::Xlsx)
            openWorkbook(target);
        if (m_source != nullptr && !m_source->traits().exportCompletedMessage.isEmpty())
            m_services.messages.show(m_source->traits().exportCompletedMessage);
        return true;
    case ExportResult::Outcome::Failed:
        m_services.messages.show(result.message, MessageIcon::Critical);
        break;
    case ExportResult::Outcome::Cancelled:
        break;
    }
    if (m_source != nullptr && grid != nullptr)
        m_source->refreshAudits(*grid);
    return false;
}

void AuditExportWindow::runPurge(const AuditTable& audit) {
    const std::optional<PurgeResult> result = m_source->purge(audit);
    if (!result)
        return; // the connection failure has been shown
    switch (result->outcome) {
    case PurgeResult::Outcome::Purged:
    case PurgeResult::Outcome::FileOnly:
        break;
    case PurgeResult::Outcome::TableBusy:
        m_services.messages.show(result->message, MessageIcon::Exclamation);
        return;
    case PurgeResult::Outcome::Failed:
    case PurgeResult::Outcome::Cancelled:
        m_services.messages.show(result->message, MessageIcon::Critical);
        return;
    }
    if (!m_source->traits().purgeCompletedMessage.isEmpty())
        m_services.messages.show(m_source->traits().purgeCompletedMessage);
    if (Grid* grid = m_installedAudits.data())
        m_source->refreshAudits(*grid);
}

void AuditExportWindow::abandon() {
    m_source = nullptr;
}

} // namespace quorvex
