#include "runtime/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(const QStringList &items, QWidget *parent)
    : QGroupBox(parent)
    , m_buttons(new QButtonGroup(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(2);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items[i], this);
        button->setObjectName(QStringLiteral("item%1").arg(i));
        m_buttons->addButton(button, i);
        layout->addWidget(button);
    }
    connect(m_buttons, &QButtonGroup::idToggled, this, &RadioGroup::onButtonToggled);
}

int RadioGroup::count() const
{
    return int(m_buttons->buttons().size());
}

void RadioGroup::setItemIndex(int index)
{
    m_settingIndex = true;
    if (index < 0 || index >= count()) {
        // A button group that allows no empty choice has to let go of it for a moment.
        m_buttons->setExclusive(false);
        for (QAbstractButton *button : m_buttons->buttons())
            button->setChecked(false);
        m_buttons->setExclusive(true);
        m_itemIndex = -1;
    } else {
        m_buttons->button(index)->setChecked(true);
        m_itemIndex = index;
    }
    m_settingIndex = false;
}

void RadioGroup::onButtonToggled(int id, bool checked)
{
    if (!checked || m_settingIndex || id == m_itemIndex)
        return;
    m_itemIndex = id;
    emit clicked();
}
