#include "tallywindows/tallywindow.h"

#include "dispatch/certificatebox.h"
#include "smtp/tlsconfig.h"
#include "tally/exports.h"
#include "tally/imappassword.h"
#include "tally/imapsource.h"
#include "tally/importer.h"
#include "tally/xlsx.h"
#include "tallywindows/countspage.h"
#include "tallywindows/mailboxwindow.h"
#include "tallywindows/report.h"
#include "tallywindows/responsesmodel.h"
#include "tallywindows/responsewindow.h"
#include "ui/messagebox.h"
#include "ui/plaintext.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QThread>

namespace
{

// A date filter left at its lowest date sets no bound.
const QDate NoBound(2000, 1, 1);

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
      m_counts(new CountsPage),
      m_tabs(new QTabWidget),
      m_establishment(new QComboBox),
      m_from(new QDateEdit),
      m_to(new QDateEdit),
      m_replaced(new QCheckBox(QStringLiteral("Réponses &remplacées aussi"))),
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
    connect(m_table, &QTableView::activated, this,
            [this](const QModelIndex& index) { showResponse(index.row()); });

    m_unrecognised->setModel(m_setAside);
    m_unrecognised->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_unrecognised->horizontalHeader()->setStretchLastSection(true);
    m_unrecognised->setAccessibleName(QStringLiteral("Messages non reconnus"));

    m_tabs->addTab(m_table, QStringLiteral("&Réponses"));
    m_tabs->addTab(m_counts, QStringLiteral("&Décompte"));
    m_tabs->addTab(m_unrecognised, QStringLiteral("&Non reconnus"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == CountsTab && m_countsStale)
            recount();
    });

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(buildFilterBar());
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
    m_needBase << file->addAction(QStringLiteral("&Boîte aux lettres…"), QKeySequence(Qt::CTRL | Qt::Key_M),
                                  this, [this] {
                                      // What was asked last, even when it failed, else
                                      // the folder imported last.
                                      const std::optional<imap::Address> a = m_askMailbox(
                                          this, m_lastAsked ? *m_lastAsked
                                                            : imap::Address::fromUrl(m_base->lastFolder())
                                                                  .value_or(imap::Address()));
                                      if (a) {
                                          m_lastAsked = a;
                                          importFolder(*a);
                                      }
                                  });
    file->addSeparator();
    m_needBase << file->addAction(QStringLiteral("Exporter en &CSV…"), this,
                                  [this] { exportTo(Choice::Csv); });
    m_needBase << file->addAction(QStringLiteral("Exporter en &XLSX…"), this,
                                  [this] { exportTo(Choice::Xlsx); });
    m_needBase << file->addAction(QStringLiteral("&Rapport PDF…"), this,
                                  [this] { exportTo(Choice::Pdf); });
    file->addSeparator();
    file->addAction(QStringLiteral("&Quitter"), QKeySequence::Quit, this, &QWidget::close);
}

QWidget* TallyWindow::buildFilterBar()
{
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    auto* establishment = ui::label(QStringLiteral("&Établissement :"));
    establishment->setBuddy(m_establishment);
    m_establishment->setMinimumContentsLength(24);
    m_establishment->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* from = ui::label(QStringLiteral("&Du :"));
    from->setBuddy(m_from);
    auto* to = ui::label(QStringLiteral("&au :"));
    to->setBuddy(m_to);
    for (QDateEdit* d : {m_from, m_to}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        d->setMinimumDate(NoBound);
        d->setSpecialValueText(QStringLiteral("—"));
        d->setDate(NoBound);
        connect(d, &QDateEdit::dateChanged, this, &TallyWindow::applyFilter);
    }
    connect(m_establishment, &QComboBox::currentIndexChanged, this, &TallyWindow::applyFilter);
    connect(m_replaced, &QCheckBox::toggled, this, &TallyWindow::applyFilter);
    m_replaced->setToolTip(QStringLiteral("Montre aussi, en gris, les réponses qu’une réponse plus "
                                          "récente du même enseignant a remplacées."));
    row->addWidget(establishment);
    row->addWidget(m_establishment);
    row->addSpacing(12);
    row->addWidget(from);
    row->addWidget(m_from);
    row->addWidget(to);
    row->addWidget(m_to);
    row->addSpacing(12);
    row->addWidget(m_replaced);
    row->addStretch(1);
    return bar;
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

void TallyWindow::exportTo(Choice choice)
{
    if (!m_base)
        return;
    const QString path = m_chooser(this, choice);
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Base::Filter f = filter();
    int cut = 0;
    const bool written = choice == Choice::Csv    ? exports::csv(*m_base, f, path)
                         : choice == Choice::Xlsx ? exports::xlsx(*m_base, f, path, &cut)
                                                  : report::write(*m_base, f, path);
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
    Base::Filter f;
    if (m_establishment->currentIndex() > 0)
        f.establishment = m_establishment->currentText();
    if (m_from->date() != NoBound)
        f.from = m_from->date();
    if (m_to->date() != NoBound)
        f.to = m_to->date();
    f.withReplaced = m_replaced->isChecked();
    return f;
}

void TallyWindow::setFilter(const Base::Filter& f)
{
    const QSignalBlocker a(m_establishment), b(m_from), c(m_to), d(m_replaced);
    m_replaced->setChecked(f.withReplaced);
    const int at = m_establishment->findText(f.establishment);
    m_establishment->setCurrentIndex(f.establishment.isEmpty() || at < 0 ? 0 : at);
    m_from->setDate(f.from.isValid() ? f.from : NoBound);
    m_to->setDate(f.to.isValid() ? f.to : NoBound);
    applyFilter();
}

void TallyWindow::refreshFilterChoices()
{
    const QString kept = m_establishment->currentIndex() > 0 ? m_establishment->currentText()
                                                             : QString();
    const QSignalBlocker blocker(m_establishment);
    m_establishment->clear();
    m_establishment->addItem(QStringLiteral("Tous"));
    if (m_base)
        m_establishment->addItems(m_base->establishments());
    m_establishment->setCurrentIndex(qMax(0, m_establishment->findText(kept)));
}

void TallyWindow::applyFilter()
{
    m_responses->show(m_base.get(), filter());
    m_countsStale = true;
    if (m_tabs->currentIndex() == CountsTab)
        recount();
    m_summary->setText(summary());
}

void TallyWindow::refresh()
{
    for (QAction* a : m_needBase)
        a->setEnabled(bool(m_base));
    m_tabs->setEnabled(bool(m_base));
    m_setAside->show(m_base.get());
    applyFilter();
    m_table->setColumnHidden(ResponsesModel::IdColumn, true);
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
        m_counts->show({}, 0);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    counts::Tally tally;
    Base::Filter standing = filter();
    standing.withReplaced = false; // the counts are those of the standing responses
    m_base->forEach(standing, [&tally](const Cells& row) { tally.add(row.mid(Base::AnswersFrom)); });
    m_counts->show(tally.result(), tally.responses());
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
