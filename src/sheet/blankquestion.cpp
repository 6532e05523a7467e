#include "sheet/blankquestion.h"

#include "sheet/sheetanswers.h"
#include "ui/messagebox.h"

namespace blankquestion
{

bool goOn(const feuillep& sheet, Outlet outlet, QWidget* parent)
{
    if (answertext::answersAnything(answertext::fromSheet(sheet)))
        return true;
    MessageBox::Record ask;
    ask.icon = QMessageBox::Question;
    ask.title = QStringLiteral("Questionnaire vide");
    ask.text = outlet == Outlet::Mail
                   ? QStringLiteral("Vous n'avez répondu à aucune question. Envoyer quand même ?")
                   : QStringLiteral("Vous n'avez répondu à aucune question. Imprimer quand même ?");
    ask.buttons = QMessageBox::Yes | QMessageBox::No;
    ask.defaultButton = QMessageBox::No;
    return MessageBox::show(parent, ask) == QMessageBox::Yes;
}

} // namespace blankquestion
