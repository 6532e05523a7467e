#include "sheet/answercontrols.h"

#include "sheet/pagescript.h"

#include "answers/scales.h"
#include "sheet/sheetfont.h"
#include "ui/fonts.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace
{

QString indexed(const char* array, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(index);
}

void whiteBackground(QWidget* w)
{
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::Button, Qt::white); // check boxes fill with the button colour
    w->setPalette(p);
}

} // namespace

void AnswerControls::createControls(QWidget* page)
{
    using namespace catalogue;
    auto px = [page](int t) { return twips::toPixelsX(t, page); };
    auto py = [page](int t) { return twips::toPixelsY(t, page); };

    // The controls take the sheet font from the page: set once there, before
    // they exist, it costs no font change per control.
    page->setFont(sheetfont::make(FontPoints));

    auto button = [&](const char* name, const QString& caption, int top) {
        auto* b = new QPushButton(caption, page);
        b->setObjectName(QLatin1String(name));
        b->setFont(dialogFont());
        b->setGeometry(twips::toPixels(2400, top, 2295, 375, page));
        return b;
    };
    Command1 = button("Command1", QStringLiteral("Imprimer (pour expédition)"), 840);
    Command2 = button("Command2", QStringLiteral("Envoyer par e-mail"), 1320);

    for (const YesNoPair& pair : yesNoPairs()) {
        auto* frame = new QWidget(page);
        frame->setObjectName(indexed("Frame1", pair.frame));
        whiteBackground(frame);
        frame->resize(px(pair.width), py(FrameHeight));
        Frame1.add(pair.frame, frame);
        // The two buttons share the frame, which makes them exclusive.
        auto option = [&](int index, const char* caption, int left) {
            auto* o = new QRadioButton(QLatin1String(caption), frame);
            o->setObjectName(indexed("Option1", index));
            o->setGeometry(px(left), 0, px(OptionWidth), py(OptionHeight));
            Option1.add(index, o);
        };
        option(pair.oui, Oui, OuiLeft);
        option(pair.non, Non, NonLeft);
    }

    for (const CheckBox& box : checkBoxes()) {
        auto* c = new QCheckBox(QString::fromUtf8(box.caption), page);
        c->setObjectName(indexed("Check1", box.index));
        whiteBackground(c);
        c->resize(px(box.width), py(CheckHeight));
        Check1.add(box.index, c);
    }

    for (const TextBox& box : textBoxes()) {
        QWidget* w = nullptr;
        if (box.multiLine) {
            auto* edit = new QPlainTextEdit(page);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setTabChangesFocus(true);
            edit->resize(px(box.width), py(MultiLineHeight));
            w = edit;
        } else {
            auto* line = new QLineEdit(page);
            line->resize(px(box.width), py(TextHeight));
            w = line;
        }
        w->setObjectName(indexed("t1", box.index));
        t1.add(box.index, w);
    }
    qobject_cast<QLineEdit*>(t1(0))->setText(QString::fromUtf8(InitialT1_0));

    auto list = [&](const char* array, int index, int width) {
        auto* c = new QComboBox(page);
        c->setObjectName(index < 0 ? QLatin1String(array) : indexed(array, index));
        c->setEditable(false); // pick only
        c->resize(px(width), py(ListHeight));
        return c;
    };
    for (int i = 0; i < InterestLists; ++i)
        it.add(i, list("it", i, ListWidth));
    for (int i = 0; i < DifficultyLists; ++i)
        diff.add(i, list("diff", i, ListWidth));
    site = list("site", -1, SiteWidth);
}

QWidget* AnswerControls::control(catalogue::Kind kind, int index) const
{
    using catalogue::Kind;
    switch (kind) {
    case Kind::Frame:
        return Frame1(index);
    case Kind::Text:
        return t1(index);
    case Kind::Check:
        return Check1(index);
    case Kind::Interest:
        return it(index);
    case Kind::Difficulty:
        return diff(index);
    case Kind::Site:
        return site;
    case Kind::Command:
        return index == 1 ? Command1 : Command2;
    }
    return nullptr;
}

QString AnswerControls::t1Text(int index) const
{
    const QWidget* box = t1(index);
    if (const auto* line = qobject_cast<const QLineEdit*>(box))
        return line->text();
    if (const auto* edit = qobject_cast<const QPlainTextEdit*>(box)) {
        QString text = edit->toPlainText();
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        return text;
    }
    return QString();
}

void AnswerControls::chainFocus(const std::vector<QWidget*>& first, QWidget* last)
{
    std::vector<QWidget*> chain = first;
    // The page script places each control once, row by row, left to right.
    for (const pagescript::Row& row : pagescript::rows())
        for (const pagescript::Step& step : row) {
            using Op = pagescript::Op;
            if (step.op != Op::Place && step.op != Op::PlaceAt && step.op != Op::CentreInner &&
                step.op != Op::CentreOuter && step.op != Op::PlaceRight)
                continue;
            if (step.kind != catalogue::Kind::Frame) {
                chain.push_back(control(step.kind, step.index));
                continue;
            }
            const catalogue::YesNoPair& pair = catalogue::yesNoPair(step.index);
            chain.push_back(Option1(pair.oui));
            chain.push_back(Option1(pair.non));
        }
    chain.push_back(last);
    for (size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void AnswerControls::loadScales()
{
    // Nothing is selected: every list shows empty until the user chooses.
    for (int i = 0; i < diff.count(); ++i) {
        if (QComboBox* c = diff(i)) {
            c->addItems(scales::difficulty());
            c->setCurrentIndex(-1);
        }
    }
    for (int i = 0; i < it.count(); ++i) {
        if (QComboBox* c = it(i)) {
            c->addItems(scales::interest());
            c->setCurrentIndex(-1);
        }
    }
    site->clear();
    site->addItems(scales::siteRating());
    site->setCurrentIndex(-1);
}
