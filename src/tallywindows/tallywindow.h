#pragma once

#include "tally/base.h"
#include "imap/mailbox.h"
#include "tally/importer.h"
#include "tally/standing.h"

#include <QTimer>

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class FilterBar;
class QCheckBox;
class QLabel;
class QStackedWidget;
class QTabWidget;
class SummaryPage;
class QTableView;
class ResponsesModel;
class SetAsideModel;

// « Dépouillement »'s window: the responses of a base in a table, sortable,
// its columns named by their questions; filters on the establishment, the
// dates and any answer; one response shown question by question; one page
// of every question's results with their charts; the messages that were not
// responses, each with its text and why; imports, and the exports of what
// is shown.  An empty base says how to fill it.  An import runs on a thread of its own, with its own
// connection to the base; the window sees what any program wrote to the
// base within a second or two.
class TallyWindow : public QMainWindow
{
    Q_OBJECT
public:
    // What the window asks the user for: a file or folder to read or write.
    enum class Choice { OpenBase, MailboxFile, MailboxFolder, Csv, Xlsx, Pdf, Scans };
    // Returns the path chosen, empty when the user cancelled; Scans: the
    // files chosen, one a line.
    using Chooser = std::function<QString(QWidget* parent, Choice choice)>;

    explicit TallyWindow(QWidget* parent = nullptr);
    ~TallyWindow() override;

    // Tests answer the file dialogs here.
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }
    // And the IMAP folder's window and the password question here.
    using MailboxAsker = std::function<std::optional<imap::Address>(QWidget*, const imap::Address& last)>;
    using PasswordAsker = std::function<std::optional<QString>(QWidget*, const imap::Address&)>;
    void setMailboxAsker(MailboxAsker ask) { m_askMailbox = std::move(ask); }
    void setPasswordAsker(PasswordAsker ask) { m_askPassword = std::move(ask); }

    bool openBase(const QString& path);
    void importMailbox(const QString& path);
    // Scanned printouts: PDF, PNG, JPEG or TIFF files and folders of them.
    void importScans(const QStringList& paths);
    // What is new in an IMAP folder; the certificate asked about when it
    // cannot be verified, the password when the keyring has none.
    void importFolder(const imap::Address& address);
    void setFilter(const Base::Filter& filter);
    Base::Filter filter() const;

    // Shows the response of this row of the table; the message set aside of
    // this row of « Non reconnus ».
    void showResponse(int row);
    void showSetAside(int row);

    QTableView* table() const { return m_table; }
    QTableView* unrecognised() const { return m_unrecognised; }
    SummaryPage* summaryPage() const { return m_summaryPage; }
    FilterBar* filters() const { return m_filters; }
    QTabWidget* tabs() const { return m_tabs; }
    // What an empty base shows instead of its table.
    QWidget* emptyHint() const { return m_empty; }
    QCheckBox* contactsInReport() const { return m_contacts; }
    QString summary() const;

Q_SIGNALS:
    void baseOpened(const QString& path);

private:
    void buildMenus();
    // One import with its progress window, off this thread.
    ImportRun::Outcome runImport(const QString& what, Importer::Source& source);
    // How an import that read its mailbox ended: done, stopped, or the base failed.
    void tellImported(const ImportRun::Outcome& outcome);
    void watchBase();
    QWidget* buildFilterBar();
    void choose(Choice choice);
    void exportTo(Choice choice, char separator = ';');
    void refresh();
    void refreshFilterChoices();
    void applyFilter();
    void recount();
    void showEmptyHint();
    // « Boîte aux lettres… »: the IMAP folder asked for, then imported.
    void askFolder();

    std::unique_ptr<Base> m_base;
    Chooser m_chooser;
    MailboxAsker m_askMailbox;
    PasswordAsker m_askPassword;
    std::optional<imap::Address> m_lastAsked; // kept when its import failed
    ResponsesModel* m_responses;
    SetAsideModel* m_setAside;
    QTableView* m_table;
    QTableView* m_unrecognised;
    SummaryPage* m_summaryPage;
    QTabWidget* m_tabs;
    QStackedWidget* m_responsesTab;
    QWidget* m_empty;
    FilterBar* m_filters;
    QCheckBox* m_contacts;
    QLabel* m_summary;
    StandingResponses m_standing; // read when the results are first shown, again after a change
    QTimer m_watch;
    bool m_countsStale = true;
    QList<QAction*> m_needBase;
};
