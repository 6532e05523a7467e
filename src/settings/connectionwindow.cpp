#include "settings/connectionwindow.h"

#include "ui/buttonrow.h"
#include "ui/fonts.h"
#include "ui/messagebox.h"
#include "ui/plaintext.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <iterator>

namespace
{

// The choices of the mode list, in the order of ConnectionProfile::Mode.
const char* const modeLabels[] = {
    "Automatique (le plus sûr possible)",
    "Sans chiffrement (port 25)",
    "STARTTLS (port 587)",
    "TLS implicite (port 465)",
};
static_assert(std::size(modeLabels) == smtp::ModeCount, "one label for each mode");

QString certificateText(int n)
{
    if (n == 0)
        return QStringLiteral("Aucun certificat accepté à la main pour ce serveur.");
    if (n == 1)
        return QStringLiteral("1 certificat accepté à la main pour ce serveur.");
    return QStringLiteral("%1 certificats acceptés à la main pour ce serveur.").arg(n);
}

} // namespace

ConnectionWindow::ConnectionWindow(const ConnectionProfiles& profiles, const QString& host,
                                   const QString& sender, QWidget* parent)
    : QDialog(parent), m_profiles(profiles), m_host(host.trimmed()), m_profile(profiles.load(host))
{
    setObjectName(QStringLiteral("ConnectionWindow"));
    setWindowTitle(QStringLiteral("Connexion au serveur de courrier"));
    setFont(dialogFont(8));

    auto* heading = ui::label(
        m_host.isEmpty() ? QStringLiteral("Aucun serveur n’est indiqué dans les paramètres.")
                         : QStringLiteral("Serveur : %1").arg(m_host),
        this);

    mode = new QComboBox(this);
    mode->setObjectName(QStringLiteral("mode"));
    for (const char* label : modeLabels)
        mode->addItem(QString::fromUtf8(label));
    mode->setCurrentIndex(int(m_profile.mode));
    clearText = ui::label(QStringLiteral("Sans chiffrement : vos réponses, votre nom et votre adresse "
                                         "pourraient être lus en chemin."),
                          this);
    clearText->setObjectName(QStringLiteral("clearText"));
    clearText->setWordWrap(true);
    const auto sayClearText = [this] {
        clearText->setVisible(ConnectionProfile::Mode(mode->currentIndex()) == ConnectionProfile::Mode::Plain);
    };
    connect(mode, &QComboBox::currentIndexChanged, this, sayClearText);
    sayClearText();

    port = new QSpinBox(this);
    port->setObjectName(QStringLiteral("port"));
    port->setRange(0, 65535);
    port->setSpecialValueText(QStringLiteral("Par défaut"));
    port->setValue(m_profile.port);

    user = new QLineEdit(m_profile.user, this);
    user->setObjectName(QStringLiteral("user"));
    user->setMaxLength(256);
    user->setPlaceholderText(sender);

    certificates = ui::label(certificateText(int(m_profile.trusted.size())), this);
    certificates->setObjectName(QStringLiteral("certificates"));
    forget = new QPushButton(QStringLiteral("Oublier"), this);
    forget->setObjectName(QStringLiteral("forget"));
    forget->setEnabled(!m_profile.trusted.isEmpty());
    connect(forget, &QPushButton::clicked, this, [this] {
        m_profile.trusted.clear();
        certificates->setText(certificateText(0));
        forget->setEnabled(false);
    });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Mode de connexion :"), mode);
    form->addRow(QString(), clearText);
    form->addRow(QStringLiteral("Port :"), port);
    form->addRow(QStringLiteral("Identifiant :"), user);
    auto* certRow = new QHBoxLayout;
    certRow->addWidget(certificates, 1);
    certRow->addWidget(forget);

    const ButtonRow row = cancelValidateRow(this);
    cancel = row.cancel;
    validate = row.validate;
    connect(validate, &QPushButton::clicked, this, &ConnectionWindow::save);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(form);
    layout->addLayout(certRow);
    layout->addWidget(ui::label(
        QStringLiteral("L’identifiant est par défaut votre adresse électronique. Le mot de passe "
                       "est demandé au premier envoi et peut être mémorisé dans le trousseau "
                       "de clés du bureau."),
        this));
    layout->itemAt(layout->count() - 1)->widget()->setProperty("wordWrap", true);
    layout->addLayout(row.layout);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
}

void ConnectionWindow::save()
{
    const auto chosen = ConnectionProfile::Mode(mode->currentIndex());
    if (chosen != m_profile.mode || quint16(port->value()) != m_profile.port) {
        // What automatic mode found belonged to the old choice.
        m_profile.found = ConnectionProfile::Mode::Automatic;
        m_profile.foundPort = 0;
    }
    m_profile.mode = chosen;
    m_profile.port = quint16(port->value());
    m_profile.user = user->text().trimmed();
    if (!m_host.isEmpty() && !m_profiles.save(m_host, m_profile)) {
        MessageBox::critical(this, QStringLiteral("Ecriture impossible sur disque"),
                             QStringLiteral("Impossible d’enregistrer les réglages de connexion "
                                            "dans votre dossier de configuration."));
        return;
    }
    accept();
}
