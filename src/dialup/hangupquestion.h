#pragma once

class DialupLink;
class QWidget;

// Asked while the questionnaire closes: when a dial-up connection is up, offers
// to hang it up and does so on "Oui".  Never stops the closing.
void askHangUp(DialupLink& link, QWidget* parent);
