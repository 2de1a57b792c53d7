#include "app/CheckReport.h"

#include "common/Prompt.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CheckReportDialog::CheckReportDialog(Prompt& prompt, CheckReportRequest request, QWidget* parent)
    : QDialog(parent)
    , m_prompt(prompt)
    , m_request(std::move(request))
{
    setObjectName(u"frmCheckReport"_s);
    setWindowTitle(u"指令检查报告"_s);
    const auto& findings = m_request.findings;
    const auto errors = std::count_if(findings.begin(), findings.end(),
        [](const auto& f) { return f.severity == InstructionCheck::Severity::Error; });
    const auto warnings = static_cast<qsizetype>(findings.size()) - errors;

    QString summary = u"共发现%1个错误，%2个警告。"_s.arg(errors).arg(warnings);
    if (m_request.writing)
        summary += errors > 0 ? u"有错误时不能生成上传文件，请改正后再生成。"_s
                              : u"警告不妨碍生成上传文件，请核对后决定是否继续。"_s;
    summary += u"双击一行可在列表中选中该指令。"_s;
    auto* label = new QLabel(summary, this);
    label->setObjectName(u"frmCheckReport_lblSummary"_s);
    label->setWordWrap(true);

    m_grid = new QTableWidget(static_cast<int>(findings.size()), 4, this);
    m_grid->setObjectName(u"frmCheckReport_grdFindings"_s);
    m_grid->setHorizontalHeaderLabels(InstructionCheck::reportHeader());
    m_grid->verticalHeader()->setVisible(false);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int i = 0; i < static_cast<int>(findings.size()); ++i) {
        const auto& f = findings[static_cast<size_t>(i)];
        const QStringList texts = { InstructionCheck::severityText(f.severity),
            f.row > 0 ? QString::number(f.row) : QString(), f.field, f.problem };
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(texts.at(c));
            if (c == 0 && f.severity == InstructionCheck::Severity::Error)
                item->setForeground(Qt::red);
            m_grid->setItem(i, c, item);
        }
    }
    m_grid->resizeColumnsToContents();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        const qint64 listRow = m_request.findings.at(static_cast<size_t>(row)).row;
        if (listRow > 0 && m_request.selectRow)
            m_request.selectRow(listRow);
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    // Enter closes the report: it neither saves it nor goes on writing the file.
    auto* save = new QPushButton(u"保存报告"_s, this);
    save->setObjectName(u"frmCheckReport_cmdSave"_s);
    save->setAutoDefault(false);
    buttons->addWidget(save);
    connect(save, &QPushButton::clicked, this, &CheckReportDialog::saveReport);
    if (m_request.writing && errors == 0) {
        auto* go = new QPushButton(u"继续生成"_s, this);
        go->setObjectName(u"frmCheckReport_cmdContinue"_s);
        go->setAutoDefault(false);
        buttons->addWidget(go);
        connect(go, &QPushButton::clicked, this, &QDialog::accept);
    }
    auto* close = new QPushButton(u"关闭"_s, this);
    close->setObjectName(u"frmCheckReport_cmdClose"_s);
    close->setDefault(true);
    buttons->addWidget(close);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    resize(860, 460);
}

void CheckReportDialog::saveReport()
{
    const QString path = selectSaveFile(m_prompt, { FileKind::Report, { FileFilter::csv() } }).trimmed();
    if (path.isEmpty())
        return;
    const Result<> saved = InstructionCheck::saveReport(path, m_request.findings);
    m_prompt.message(saved ? writtenMessage(u"检查报告已保存"_s, path) : saved.message());
}
