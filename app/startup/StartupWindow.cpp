#include "app/startup/StartupWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { ServerColumn, AddressColumn, StateColumn, SecondsColumn, ColumnCount };

QTableWidgetItem* Cell(QTableWidget& table, int row, int column) {
    QTableWidgetItem* item = table.item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem; // owned by the table
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        table.setItem(row, column, item);
    }
    return item;
}

void SetText(QTableWidget& table, int row, int column, const QString& text) {
    QTableWidgetItem* item = Cell(table, row, column);
    if (item->text() != text)
        item->setText(text);
}

} // namespace

StartupWindow::StartupWindow(NetClient::ParallelAttach& run, NetClient::PasswordSource& passwords,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), run_(run), passwords_(passwords) {
    setObjectName(QStringLiteral("StartupWindow"));
    setWindowTitle(QStringLiteral("Tessaline: attaching servers"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Attaching the servers of the attachments file:"), this));
    table_ = new QTableWidget(0, ColumnCount, this);
    table_->setObjectName(QStringLiteral("ServerTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Server"), QStringLiteral("Address"),
                                       QStringLiteral("State"), QStringLiteral("Seconds")});
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(StateColumn, QHeaderView::Stretch);
    layout->addWidget(table_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    skip_ = new QPushButton(QStringLiteral("&Skip"), this);
    skip_->setObjectName(QStringLiteral("SkipButton"));
    skip_->setToolTip(QStringLiteral("Leave the chosen server out"));
    continue_ = new QPushButton(QStringLiteral("&Continue"), this);
    continue_->setObjectName(QStringLiteral("ContinueButton"));
    continue_->setToolTip(QStringLiteral("Open the main window with the servers attached so far"));
    buttons->addWidget(skip_);
    buttons->addWidget(continue_);
    layout->addLayout(buttons);
    resize(620, 260);

    connect(this, &StartupWindow::RunChanged, this, &StartupWindow::Update, Qt::QueuedConnection);
    connect(skip_, &QPushButton::clicked, this, &StartupWindow::SkipChosen);
    connect(continue_, &QPushButton::clicked, this, [this] {
        run_.SkipUnfinished();
        Update();
    });
    connect(table_, &QTableWidget::itemSelectionChanged, this, &StartupWindow::Refresh);
    // The seconds go on counting between changes.
    clock_.setInterval(200);
    connect(&clock_, &QTimer::timeout, this, &StartupWindow::Refresh);
}

StartupWindow::~StartupWindow() {
    run_.SetChanged({});
}

void StartupWindow::Run() {
    run_.SetChanged([this] { Q_EMIT RunChanged(); });
    run_.Start();
    Refresh();
    QTimer::singleShot(ShowDelay, this, [this] {
        if (!run_.Finished())
            show();
    });
    clock_.start();
    // The first answers may have come before the loop runs.
    QTimer::singleShot(0, this, &StartupWindow::Update);
    loop_.exec();
    clock_.stop();
    hide();
}

void StartupWindow::Update() {
    Refresh();
    run_.Serve(passwords_);
    Refresh();
    if (run_.Finished())
        loop_.quit();
}

void StartupWindow::Refresh() {
    const std::vector<NetClient::AttachProgress> progress = run_.Progress();
    table_->setRowCount(static_cast<int>(progress.size()));
    for (std::size_t i = 0; i < progress.size(); ++i) {
        const int row = static_cast<int>(i);
        SetText(*table_, row, ServerColumn, QString::fromStdString(progress[i].serverName));
        SetText(*table_, row, AddressColumn, QString::fromStdString(progress[i].address));
        SetText(*table_, row, StateColumn, QString::fromStdString(NetClient::DescribeProgress(progress[i])));
        SetText(*table_, row, SecondsColumn,
                QString::number(static_cast<double>(progress[i].elapsed.count()) / 1000.0, 'f', 1));
    }
    const int chosen = table_->currentRow();
    skip_->setEnabled(chosen >= 0 && static_cast<std::size_t>(chosen) < progress.size() &&
                      !NetClient::StageEnded(progress[static_cast<std::size_t>(chosen)].stage));
}

void StartupWindow::SkipChosen() {
    const int chosen = table_->currentRow();
    if (chosen >= 0)
        run_.Skip(static_cast<std::size_t>(chosen));
    Update();
}

void StartupWindow::closeEvent(QCloseEvent* event) {
    run_.SkipUnfinished();
    event->accept();
    Update();
}

void WaitWithStartupWindow(NetClient::ParallelAttach& run, NetClient::PasswordSource& passwords) {
    StartupWindow window(run, passwords);
    window.Run();
}
