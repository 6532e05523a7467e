#include "ui/buttonrow.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

ButtonRow cancelValidateRow(QDialog* dialog)
{
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), dialog);
    cancel->setObjectName(QStringLiteral("cancel"));
    auto* validate = new QPushButton(QStringLiteral("Valider"), dialog);
    validate->setObjectName(QStringLiteral("validate"));
    validate->setDefault(true);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* layout = new QHBoxLayout;
    layout->addStretch();
    layout->addWidget(cancel);
    layout->addWidget(validate);
    return {cancel, validate, layout};
}
