// The two outlets of the answers, printing for posting and e-mail, and the
// answer text they both take.
#include "dispatch/exporter.h"
#include "sheet/blankquestion.h"
#include "sheet/sheetanswers.h"
#include "sheet/composebuffer.h"
#include "sheet/feuillep.h"
#include "sheet/printeddocument.h"

#include <QPrintDialog>
#include <QPrinter>

void feuillep::Command1_Click()
{
    if (!blankquestion::goOn(*this, blankquestion::Outlet::Print, this))
        return;
    // The printer set-up: the user chooses a printer or cancels, and
    // cancelling leaves everything, rtf1 included, as it was.
    QPrintDialog setup(CommonDialog1.get(), this);
    setup.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (setup.exec() != QDialog::Accepted)
        return;

    // The layout measures the page in the printer's own pixels; nothing else
    // of the chosen printer is changed.
    rtf1->clear();
    printeddocument::composeHead(*rtf1);
    majtexte();
    printeddocument::print(*rtf1, CommonDialog1.get(), answertext::fromSheet(*this));
}

void feuillep::Command2_Click()
{
    if (!blankquestion::goOn(*this, blankquestion::Outlet::Mail, this))
        return;
    // The answer text alone; the dispatch window reads it when it sends.
    rtf1->clear();
    majtexte();
    Exporter dispatch(
        m_places.settingsDirectory, [this] { return rtf1->plainText(); }, this);
    dispatch.setContact(answertext::contactOf(answertext::fromSheet(*this)));
    // When the settings cannot be read the window never appears.
    if (dispatch.loaded() && runOwnModal(&dispatch) == QDialog::Accepted)
        Q_EMIT answersSent();
}

void feuillep::majtexte()
{
    answertext::compose(*this, *rtf1);
}
