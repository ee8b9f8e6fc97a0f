#include "formcontrols.h"

#include "languagetable.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace fprn::console {

namespace {

template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

QLabel* NewLabel(QWidget* parent, const char* name, QPoint at) {
    return NewLabel(parent, name, at, BuiltInCaption(name));
}

QLabel* NewLabel(QWidget* parent, const char* name, QPoint at, const QString& text) {
    auto* label = Named(new QLabel(parent), name);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->move(at);
    label->adjustSize();
    return label;
}

QLabel* NewValueLabel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* label = Named(new QLabel(parent), name);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    return label;
}

QPushButton* NewButton(QWidget* parent, const char* name, const QRect& geometry) {
    return NewButton(parent, name, geometry, BuiltInCaption(name));
}

QPushButton* NewButton(QWidget* parent, const char* name, const QRect& geometry,
                       const QString& caption) {
    auto* button = Named(new QPushButton(caption, parent), name);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

QGroupBox* NewGroupBox(QWidget* parent, const char* name, const QRect& geometry) {
    auto* group = Named(new QGroupBox(BuiltInCaption(name), parent), name);
    group->setGeometry(geometry);
    return group;
}

QRadioButton* NewRadioButton(QWidget* parent, const char* name, const QRect& geometry) {
    auto* radio = Named(new QRadioButton(BuiltInCaption(name), parent), name);
    radio->setGeometry(geometry);
    return radio;
}

QCheckBox* NewCheckBox(QWidget* parent, const char* name, const QRect& geometry) {
    auto* check = Named(new QCheckBox(BuiltInCaption(name), parent), name);
    check->setGeometry(geometry);
    return check;
}

void CheckRadio(std::initializer_list<QRadioButton*> group, int index) {
    int i = 0;
    for (QRadioButton* radio : group) {
        bool exclusive = radio->autoExclusive();
        radio->setAutoExclusive(false);
        radio->setChecked(i++ == index);
        radio->setAutoExclusive(exclusive);
    }
}

} // namespace fprn::console
