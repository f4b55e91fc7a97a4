#pragma once

#include "ControleValto.h"

#include <QList>
#include <QVariant>

#include <utility>

class QMenu;

// A drop-down choice: a face showing the selected label and a chevron; a press opens the menu.
class ValtoSelect final : public ControleValto {
    Q_OBJECT

public:
    using Option = std::pair<QVariant, QString>;

    explicit ValtoSelect(const QList<Option>& options, QWidget* parent = nullptr);

    QVariant selection() const { return m_selection; }
    // Equal values change nothing and emit nothing.
    void setSelection(const QVariant& selection);
    const QList<Option>& options() const { return m_options; }

    // The label of the first option whose value is the selection; empty when none is.
    QString libelleSelectionne() const;
    QMenu* menu() const { return m_menu; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    QAccessible::Role roleAccessible() const override { return QAccessible::ComboBox; }
    QString valeurAccessible() const override { return libelleSelectionne(); }

Q_SIGNALS:
    void selectionChangee(const QVariant& selection);

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    void ouvrirMenu();

    QList<Option> m_options;
    QVariant m_selection;
    QMenu* m_menu;
};
