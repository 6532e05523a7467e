#pragma once

#include "tally/base.h"
#include "imap/mailbox.h"
#include "tally/importer.h"

#include <QTimer>

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class CountsPage;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QTabWidget;
class QTableView;
class ResponsesModel;
class SetAsideModel;

// « Dépouillement »'s window: the responses of a base in a table, sortable
// and filtered by establishment and date, the replaced ones on request; one
// response shown as it was answered; the counts of each question with their
// charts; the messages that were not responses; imports and the exports of
// what is shown.  An import runs on a thread of its own, with its own
// connection to the base; the window sees what any program wrote to the
// base within a second or two.
class TallyWindow : public QMainWindow
{
    Q_OBJECT
public:
    // What the window asks the user for: a file or folder to read or write.
    enum class Choice { OpenBase, MailboxFile, MailboxFolder, Csv, Xlsx, Pdf };
    // Returns the path chosen, empty when the user cancelled.
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
    // What is new in an IMAP folder; the certificate asked about when it
    // cannot be verified, the password when the keyring has none.
    void importFolder(const imap::Address& address);
    void setFilter(const Base::Filter& filter);
    Base::Filter filter() const;

    // Shows the response of this row of the table.
    void showResponse(int row);

    QTableView* table() const { return m_table; }
    QTableView* unrecognised() const { return m_unrecognised; }
    CountsPage* counts() const { return m_counts; }
    QTabWidget* tabs() const { return m_tabs; }
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
    void exportTo(Choice choice);
    void refresh();
    void refreshFilterChoices();
    void applyFilter();
    void recount();

    std::unique_ptr<Base> m_base;
    Chooser m_chooser;
    MailboxAsker m_askMailbox;
    PasswordAsker m_askPassword;
    std::optional<imap::Address> m_lastAsked; // kept when its import failed
    ResponsesModel* m_responses;
    SetAsideModel* m_setAside;
    QTableView* m_table;
    QTableView* m_unrecognised;
    CountsPage* m_counts;
    QTabWidget* m_tabs;
    QComboBox* m_establishment;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QCheckBox* m_replaced;
    QLabel* m_summary;
    QTimer m_watch;
    bool m_countsStale = true;
    QList<QAction*> m_needBase;
};
