#include "tallywindows/tallywindow.h"

#include "dispatch/certificatebox.h"
#include "smtp/tlsconfig.h"
#include "tally/exports.h"
#include "tally/imappassword.h"
#include "tally/imapsource.h"
#include "tally/importer.h"
#include "tally/papersource.h"
#include "tally/xlsx.h"
#include "tallywindows/filterbar.h"
#include "tallywindows/mailboxwindow.h"
#include "tallywindows/report.h"
#include "tallywindows/responsesmodel.h"
#include "tallywindows/responsewindow.h"
#include "tallywindows/summarypage.h"
#include "ui/messagebox.h"
#include "ui/plaintext.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QThread>

namespace
{

enum Tab { ResponsesTab, CountsTab, UnrecognisedTab };

QString askUser(QWidget* parent, TallyWindow::Choice choice)
{
    using C = TallyWindow::Choice;
    const QString all = QStringLiteral("Tous les fichiers (*)");
    switch (choice) {
    case C::OpenBase:
        return QFileDialog::getSaveFileName(
            parent, QStringLiteral("Ouvrir ou créer une base"), QString(),
            QStringLiteral("Bases de réponses (*.sqlite *.db);;") + all, nullptr,
            QFileDialog::DontConfirmOverwrite);
    case C::MailboxFile:
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Importer une boîte aux lettres"),
                                            QString(),
                                            QStringLiteral("Boîtes et messages (*.mbox *.mbx *.eml);;") + all);
    case C::MailboxFolder:
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("Importer un dossier Maildir"));
    case C::Csv:
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Exporter en CSV"),
                                            QStringLiteral("reponses.csv"),
                                            QStringLiteral("Tableau CSV (*.csv)"));
    case C::Xlsx:
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Exporter en XLSX"),
                                            QStringLiteral("reponses.xlsx"),
                                            QStringLiteral("Classeur Excel (*.xlsx)"));
    case C::Pdf:
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Rapport PDF"),
                                            QStringLiteral("rapport.pdf"),
                                            QStringLiteral("Document PDF (*.pdf)"));
    case C::Scans:
        return QFileDialog::getOpenFileNames(parent, QStringLiteral("Importer des feuilles numérisées"), QString(),
                                             QStringLiteral("Feuilles numérisées (*.pdf *.png *.jpg *.jpeg *.tif *.tiff);;") +
                                                 all)
            .join(QLatin1Char('\n'));
    }
    return QString();
}

QString plural(int n, const QString& one, const QString& many)
{
    return QStringLiteral("%1 %2").arg(n).arg(n > 1 ? many : one);
}

} // namespace

TallyWindow::TallyWindow(QWidget* parent)
    : QMainWindow(parent),
      m_chooser(askUser),
      m_askMailbox([](QWidget* parent, const imap::Address& last) -> std::optional<imap::Address> {
          MailboxWindow window(last, parent);
          if (window.exec() != QDialog::Accepted)
              return std::nullopt;
          return window.address();
      }),
      m_askPassword([](QWidget* parent, const imap::Address& a) -> std::optional<QString> {
          QInputDialog ask(parent);
          ask.setWindowTitle(QStringLiteral("Mot de passe"));
          ask.setLabelText(QStringLiteral("Mot de passe de %1 sur %2 :").arg(a.user, a.host));
          ask.setTextEchoMode(QLineEdit::Password);
          for (QLabel* label : ask.findChildren<QLabel*>())
              ui::makePlain(label);
          const bool given = ask.exec() == QDialog::Accepted;
          const QString password = ask.textValue();
          return given && !password.isEmpty() ? std::optional<QString>(password) : std::nullopt;
      }),
      m_responses(new ResponsesModel(this)),
      m_setAside(new SetAsideModel(this)),
      m_table(new QTableView),
      m_unrecognised(new QTableView),
      m_summaryPage(new SummaryPage),
      m_tabs(new QTabWidget),
      m_responsesTab(new QStackedWidget),
      m_empty(new QWidget),
      m_filters(new FilterBar),
      m_contacts(new QCheckBox(QStringLiteral("Noms et adresses dans le rapport"))),
      m_summary(ui::label())
{
    setWindowTitle(QStringLiteral("Dépouillement"));
    buildMenus();

    m_table->setModel(m_responses);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(1, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setWordWrap(false);
    m_table->setAccessibleName(QStringLiteral("Réponses"));
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(m_table, &QTableView::activated, this,
            [this](const QModelIndex& index) { showResponse(index.row()); });

    m_unrecognised->setModel(m_setAside);
    m_unrecognised->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_unrecognised->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_unrecognised->horizontalHeader()->setStretchLastSection(true);
    m_unrecognised->setAccessibleName(QStringLiteral("Messages non reconnus"));
    m_unrecognised->setToolTip(QStringLiteral("Double-cliquez un message pour lire son texte."));
    connect(m_unrecognised, &QTableView::activated, this,
            [this](const QModelIndex& index) { showSetAside(index.row()); });

    showEmptyHint();
    m_responsesTab->addWidget(m_empty);
    m_responsesTab->addWidget(m_table);
    auto* countsTab = new QWidget;
    auto* countsLayout = new QVBoxLayout(countsTab);
    countsLayout->setContentsMargins(0, 0, 0, 0);
    auto* reportRow = new QHBoxLayout;
    auto* reportButton = new QPushButton(QStringLiteral("Rapport &PDF…"));
    connect(reportButton, &QPushButton::clicked, this, [this] { exportTo(Choice::Pdf); });
    m_contacts->setToolTip(QStringLiteral("Sans cette case, le rapport ne donne ni nom ni adresse e-mail."));
    reportRow->addWidget(reportButton);
    reportRow->addWidget(m_contacts);
    reportRow->addStretch(1);
    countsLayout->addLayout(reportRow);
    countsLayout->addWidget(m_summaryPage, 1);
    m_tabs->addTab(m_responsesTab, QStringLiteral("&Réponses"));
    m_tabs->addTab(countsTab, QStringLiteral("&Décompte"));
    m_tabs->addTab(m_unrecognised, QStringLiteral("&Non reconnus"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == CountsTab && m_countsStale)
            recount();
    });
    connect(m_filters, &FilterBar::changed, this, &TallyWindow::applyFilter);
    connect(m_filters, &FilterBar::misread, this, [this](const QString& typed) {
        statusBar()->showMessage(QStringLiteral("Date incomprise : « %1 ». Écrivez-la jj/mm/aaaa, par exemple "
                                                "08/12/2026.").arg(typed), 10000);
    });

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_filters);
    layout->addWidget(m_tabs, 1);
    setCentralWidget(central);
    statusBar()->addWidget(m_summary, 1);
    refresh();
    resize(1000, 700);

    // What another program (or this window's own import) wrote is shown
    // within a second or two.
    m_watch.setInterval(1000);
    connect(&m_watch, &QTimer::timeout, this, &TallyWindow::watchBase);
    m_watch.start();
}

void TallyWindow::watchBase()
{
    if (!m_base || !m_base->changedElsewhere())
        return;
    refreshFilterChoices();
    refresh();
}

TallyWindow::~TallyWindow()
{
    // The models hold queries on the base's connection: let them go first.
    m_responses->clear();
    m_setAside->clear();
}

void TallyWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Fichier"));
    file->addAction(QStringLiteral("&Ouvrir une base…"), QKeySequence::Open, this,
                    [this] { choose(Choice::OpenBase); });
    file->addSeparator();
    m_needBase << file->addAction(QStringLiteral("&Importer une boîte aux lettres…"),
                                  QKeySequence(Qt::CTRL | Qt::Key_I), this,
                                  [this] { choose(Choice::MailboxFile); });
    m_needBase << file->addAction(QStringLiteral("Importer un &dossier Maildir…"), this,
                                  [this] { choose(Choice::MailboxFolder); });
    m_needBase << file->addAction(QStringLiteral("Importer des &feuilles numérisées…"), this,
                                  [this] { choose(Choice::Scans); });
    m_needBase << file->addAction(QStringLiteral("&Boîte aux lettres…"), QKeySequence(Qt::CTRL | Qt::Key_M),
                                  this, &TallyWindow::askFolder);
    file->addSeparator();
    QMenu* csv = file->addMenu(QStringLiteral("Exporter en &CSV"));
    m_needBase << csv->menuAction();
    csv->addAction(QStringLiteral("Séparateur « ; » (tableurs en français)…"), this,
                   [this] { exportTo(Choice::Csv, ';'); });
    csv->addAction(QStringLiteral("Séparateur « , »…"), this, [this] { exportTo(Choice::Csv, ','); });
    m_needBase << file->addAction(QStringLiteral("Exporter en &XLSX…"), this,
                                  [this] { exportTo(Choice::Xlsx); });
    m_needBase << file->addAction(QStringLiteral("&Rapport PDF…"), this,
                                  [this] { exportTo(Choice::Pdf); });
    file->addSeparator();
    file->addAction(QStringLiteral("&Quitter"), QKeySequence::Quit, this, &QWidget::close);
}

bool TallyWindow::openBase(const QString& path)
{
    auto base = std::make_unique<Base>();
    if (!base->open(path)) {
        MessageBox::critical(this, QStringLiteral("Dépouillement"),
                             QStringLiteral("La base « %1 » ne peut pas être ouverte.")
                                 .arg(QFileInfo(path).fileName()),
                             base->error());
        return false;
    }
    m_responses->clear();
    m_setAside->clear();
    m_base = std::move(base);
    setWindowTitle(QStringLiteral("Dépouillement – %1").arg(QFileInfo(path).fileName()));
    refreshFilterChoices();
    refresh();
    Q_EMIT baseOpened(path);
    return true;
}

void TallyWindow::choose(Choice choice)
{
    const QString path = m_chooser(this, choice);
    if (path.isEmpty())
        return;
    if (choice == Choice::OpenBase)
        openBase(path);
    else if (choice == Choice::Scans)
        importScans(path.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
    else
        importMailbox(path);
}

ImportRun::Outcome TallyWindow::runImport(const QString& what, Importer::Source& source)
{
    QProgressDialog progress(QStringLiteral("Lecture de %1…").arg(what), QStringLiteral("Arrêter"), 0, 0,
                             this);
    progress.setWindowTitle(QStringLiteral("Importation"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    std::atomic<bool> stop{false};
    connect(&progress, &QProgressDialog::canceled, this, [&stop] { stop = true; });
    // The thread tells the dialog through its events, never touching it.
    ImportRun::Watch watch;
    watch.stop = &stop;
    watch.waiting = [&progress] {
        QMetaObject::invokeMethod(&progress, [&progress] {
            progress.setLabelText(QStringLiteral("Une autre importation écrit dans cette base : "
                                                 "attente de sa fin…"));
        }, Qt::QueuedConnection);
    };
    watch.progress = [&progress](const Importer::Tally& t) {
        QMetaObject::invokeMethod(&progress, [&progress, t] {
            progress.setLabelText(QStringLiteral("%1 lus, %2 ajoutées")
                                      .arg(plural(t.read, QStringLiteral("message"), QStringLiteral("messages")),
                                           plural(t.added, QStringLiteral("réponse"), QStringLiteral("réponses"))));
        }, Qt::QueuedConnection);
    };
    ImportRun::Outcome outcome;
    const ImportRun run(m_base->path());
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create([&] { outcome = run.run({&source}, watch); }));
    connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    thread->start();
    loop.exec();
    thread->wait();
    QApplication::restoreOverrideCursor();
    progress.close();
    m_base->changedElsewhere(); // seen here, not again by the watch
    refreshFilterChoices();
    refresh();
    return outcome;
}

namespace
{

QString doneText(const Importer::Tally& t)
{
    return QStringLiteral("%1, %2 déjà dans la base, %3 mis de côté (%4).")
        .arg(plural(t.added, QStringLiteral("réponse ajoutée"), QStringLiteral("réponses ajoutées")))
        .arg(t.already)
        .arg(plural(t.setAside, QStringLiteral("message"), QStringLiteral("messages")),
             t.setAside > 1 ? QStringLiteral("non reconnus") : QStringLiteral("non reconnu"));
}

} // namespace

void TallyWindow::importMailbox(const QString& path)
{
    if (!m_base)
        return;
    FileSource source(path);
    const ImportRun::Outcome outcome = runImport(QStringLiteral("« %1 »").arg(QFileInfo(path).fileName()), source);
    if (outcome.result == Importer::Result::MailboxUnreadable ||
        outcome.result == Importer::Result::NotMailbox)
        MessageBox::warning(this, QStringLiteral("Importation"),
                            QStringLiteral("« %1 » n’est ni une boîte mbox, ni un dossier Maildir, "
                                           "ni un message : rien n’a été importé.")
                                .arg(path));
    else
        tellImported(outcome);
}

void TallyWindow::importScans(const QStringList& paths)
{
    if (!m_base || paths.isEmpty())
        return;
    PaperSource source(paths);
    const QString what = paths.size() == 1 ? QStringLiteral("« %1 »").arg(QFileInfo(paths.first()).fileName())
                                           : QStringLiteral("%1 fichiers de feuilles").arg(paths.size());
    const ImportRun::Outcome outcome = runImport(what, source);
    if (outcome.result == Importer::Result::MailboxUnreadable)
        MessageBox::warning(this, QStringLiteral("Importation"),
                            QStringLiteral("Ces feuilles ne peuvent pas être lues : rien n’a été importé."));
    else
        tellImported(outcome);
}

void TallyWindow::tellImported(const ImportRun::Outcome& o)
{
    if (o.result == Importer::Result::BaseFailed)
        MessageBox::critical(this, QStringLiteral("Importation"),
                             QStringLiteral("La base ne peut pas être écrite ; le dernier lot de "
                                            "messages n’y est pas. ") + doneText(o.tally),
                             o.error);
    else
        MessageBox::information(this, QStringLiteral("Importation"),
                                (o.result == Importer::Result::Stopped ? QStringLiteral("Importation arrêtée. ")
                                                                       : QString()) + doneText(o.tally));
}

void TallyWindow::importFolder(const imap::Address& address)
{
    if (!m_base)
        return;
    ImapPassword password(address, [this](const imap::Address& a) { return m_askPassword(this, a); });
    const std::optional<QString> secret = password.get();
    if (!secret)
        return;
    QByteArray trusted = m_base->folder(address.url()).fingerprint;
    for (;;) {
        imap::Mailbox mailbox(address, *secret, trusted);
        ImapSource source(mailbox);
        const ImportRun::Outcome outcome =
            runImport(QStringLiteral("« %1 » sur %2").arg(address.folder, address.host), source);
        if (outcome.result != Importer::Result::ServerFailed) {
            password.accepted();
            tellImported(outcome);
            return;
        }
        const imap::Failure& f = mailbox.failure();
        if (f.kind == imap::Failure::Kind::Certificate && !f.chain.isEmpty() && trusted.isEmpty()) {
            // Asked as the questionnaire asks it; a yes is kept for this mailbox.
            QList<QSslCertificate> chain;
            for (const QByteArray& der : f.chain)
                chain << QSslCertificate(der, QSsl::Der);
            if (!certificatebox::askTrust(this, address.host, chain.first(),
                                          QSslCertificate::verify(chain, address.host)))
                return;
            trusted = imap::Mailbox::normalisedFingerprint(tlsconfig::fingerprint(chain.first()));
            m_base->trust(address.url(), trusted);
            continue;
        }
        if (f.kind == imap::Failure::Kind::Login)
            password.refused();
        MessageBox::warning(this, QStringLiteral("Importation"),
                            QStringLiteral("Échec pendant %1 : %2").arg(f.step, f.words));
        return;
    }
}

void TallyWindow::exportTo(Choice choice, char separator)
{
    if (!m_base)
        return;
    const QString path = m_chooser(this, choice);
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Base::Filter f = filter();
    int cut = 0;
    report::Options options;
    options.withContacts = m_contacts->isChecked();
    const bool written = choice == Choice::Csv    ? exports::csv(*m_base, f, path, separator)
                         : choice == Choice::Xlsx ? exports::xlsx(*m_base, f, path, &cut)
                                                  : report::write(*m_base, f, path, options);
    QApplication::restoreOverrideCursor();
    if (!written)
        MessageBox::critical(this, QStringLiteral("Dépouillement"),
                             QStringLiteral("Écriture impossible : %1").arg(path));
    else if (cut > 0)
        MessageBox::warning(this, QStringLiteral("Dépouillement"),
                            QStringLiteral("%1 : un classeur ne tient que %2 caractères par cellule ; "
                                           "%3 coupé, marqué à sa fin. L’export CSV les garde entiers.")
                                .arg(path)
                                .arg(xlsx::CellLimit)
                                .arg(plural(cut, QStringLiteral("texte a été"), QStringLiteral("textes ont été"))));
    else
        statusBar()->showMessage(QStringLiteral("Écrit : %1").arg(path), 10000);
}

Base::Filter TallyWindow::filter() const
{
    return m_filters->filter();
}

void TallyWindow::setFilter(const Base::Filter& f)
{
    m_filters->setFilter(f);
}

void TallyWindow::refreshFilterChoices()
{
    m_filters->setEstablishments(m_base ? m_base->establishments() : QStringList());
    if (m_base) {
        const auto [first, last] = m_base->period(Base::Filter());
        m_filters->setPeriod(first, last);
    }
}

void TallyWindow::applyFilter()
{
    m_responses->show(m_base.get(), filter());
    for (int c = 0; c < m_responses->columnCount(); ++c)
        m_table->setColumnHidden(c, c == ResponsesModel::IdColumn);
    m_countsStale = true;
    if (m_tabs->currentIndex() == CountsTab)
        recount();
    m_summary->setText(summary());
}

void TallyWindow::refresh()
{
    m_standing.forget(); // the base changed, or another was opened
    for (QAction* a : m_needBase)
        a->setEnabled(bool(m_base));
    m_tabs->setEnabled(bool(m_base));
    m_setAside->show(m_base.get());
    m_unrecognised->setColumnHidden(0, true);
    m_unrecognised->setColumnWidth(1, m_unrecognised->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00")) + 28);
    m_unrecognised->setColumnWidth(2, m_unrecognised->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 28);
    m_unrecognised->setColumnWidth(3, m_unrecognised->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    // An empty base says how to fill it, instead of an empty table.
    const bool empty = !m_base || (m_base->responses() == 0 && m_base->setAside() == 0);
    m_responsesTab->setCurrentWidget(empty ? m_empty : static_cast<QWidget*>(m_table));
    applyFilter();
    // The date whole, and room for an address and a name.
    const QFontMetrics metrics = m_table->fontMetrics();
    m_table->setColumnWidth(1, metrics.horizontalAdvance(QStringLiteral("00/00/0000 00:00")) + 28);
    m_table->setColumnWidth(2, metrics.horizontalAdvance(QLatin1Char('x')) * 28);
    m_table->setColumnWidth(3, metrics.horizontalAdvance(QLatin1Char('x')) * 22);
}

void TallyWindow::recount()
{
    m_countsStale = false;
    if (!m_base) {
        m_summaryPage->show(summary::Tally());
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!m_standing.loaded())
        m_standing.load(*m_base);
    m_summaryPage->show(m_standing.tally(*m_base, filter()));
    QApplication::restoreOverrideCursor();
}

void TallyWindow::showResponse(int row)
{
    if (!m_base || row < 0)
        return;
    // Beside the table, not over it: several can be compared.
    auto* window = new ResponseWindow(m_base->response(m_responses->idAt(row)), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void TallyWindow::showSetAside(int row)
{
    if (!m_base || row < 0)
        return;
    auto* window = new SetAsideWindow(m_base->setAsideMessage(m_setAside->idAt(row)), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void TallyWindow::askFolder()
{
    if (!m_base)
        return;
    // What was asked last, even when it failed, else the folder imported last.
    const std::optional<imap::Address> a =
        m_askMailbox(this, m_lastAsked ? *m_lastAsked
                                       : imap::Address::fromUrl(m_base->lastFolder()).value_or(imap::Address()));
    if (a) {
        m_lastAsked = a;
        importFolder(*a);
    }
}

void TallyWindow::showEmptyHint()
{
    auto* layout = new QVBoxLayout(m_empty);
    auto* words = ui::label(QStringLiteral(
        "Cette base ne contient encore aucune réponse.\n\n"
        "Les réponses arrivent par courrier électronique. Importez la boîte aux lettres où elles "
        "sont rangées : un fichier mbox, un dossier Maildir ou un message enregistré (.eml), "
        "ou lisez directement un dossier IMAP du serveur de messagerie. Un message importé deux "
        "fois ne compte qu’une fois."));
    words->setWordWrap(true);
    words->setAccessibleName(QStringLiteral("Base vide"));
    auto* file = new QPushButton(QStringLiteral("&Importer une boîte…"));
    auto* folder = new QPushButton(QStringLiteral("&Boîte aux lettres…"));
    file->setToolTip(QStringLiteral("Un fichier mbox ou un message .eml"));
    folder->setToolTip(QStringLiteral("Un dossier IMAP sur le serveur"));
    connect(file, &QPushButton::clicked, this, [this] { choose(Choice::MailboxFile); });
    connect(folder, &QPushButton::clicked, this, &TallyWindow::askFolder);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(file);
    buttons->addWidget(folder);
    buttons->addStretch(1);
    layout->addStretch(1);
    layout->addWidget(words);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->addStretch(2);
    layout->setContentsMargins(48, 24, 48, 24);
}

QString TallyWindow::summary() const
{
    if (!m_base)
        return QStringLiteral("Aucune base ouverte : Fichier › Ouvrir une base…");
    return QStringLiteral("%1 sur %2 · %3")
        .arg(plural(m_base->count(filter()), QStringLiteral("réponse affichée"),
                    QStringLiteral("réponses affichées")))
        .arg(m_base->count(Base::Filter()))
        .arg(plural(m_base->setAside(), QStringLiteral("message non reconnu"),
                    QStringLiteral("messages non reconnus")));
}
