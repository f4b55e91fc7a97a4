#include "ValtoField.h"

#include "Couleurs.h"
#include "Libelle.h"
#include "Polices.h"

#include <QVBoxLayout>

ValtoField::ValtoField(const QString& label, QWidget* content, QWidget* parent)
    : QWidget(parent)
    , m_label(label)
    , m_content(content)
{
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(0, 0, 0, 0);
    colonne->setSpacing(6);
    auto* etiquette = new Libelle(Polices::majuscules(label), Polices::capitalesEspacees(11),
                                  Couleurs::texteAttenue(), this);
    etiquette->setObjectName(QStringLiteral("label"));
    colonne->addWidget(etiquette, 0, Qt::AlignLeft);
    colonne->addWidget(content);
    // Screen readers name the input by its label.
    if (content->accessibleName().isEmpty()) {
        content->setAccessibleName(label);
    }
}
