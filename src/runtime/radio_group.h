#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

/// A framed group of radio buttons, one item chosen or none; ItemIndex is -1 when none is.
/// The click signal comes only when the user's choice changes the selection.
class RadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit RadioGroup(const QStringList &items, QWidget *parent = nullptr);

    [[nodiscard]] int ItemIndex() const { return m_itemIndex; }
    /// Selects an item, or none with -1, without raising the click signal.
    void setItemIndex(int index);
    [[nodiscard]] int count() const;

signals:
    void clicked();

private:
    void onButtonToggled(int id, bool checked);

    QButtonGroup *m_buttons;
    int m_itemIndex = -1;
    bool m_settingIndex = false;
};
