#include "batch/widgets/EditeurMontant.h"

#include "db/Decimal.h"

#include <QLineEdit>
#include <QLocale>

TEditeurMontant::TEditeurMontant(QWidget* parent) : QDoubleSpinBox(parent)
{
    setDecimals(2);
    setRange(-double(decimaux::kCentimesMax) / 100, double(decimaux::kCentimesMax) / 100);
    setGroupSeparatorShown(true);
    setKeyboardTracking(false);
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    setAlignment(Qt::AlignRight);
}

void TEditeurMontant::setDeuxDecimales(bool toujours)
{
    if (toujours == m_deuxDecimales)
        return;
    m_deuxDecimales = toujours;
    lineEdit()->setText(textFromValue(value()));
}

QString TEditeurMontant::textFromValue(double valeur) const
{
    QLocale l = locale();
    l.setNumberOptions(l.numberOptions() & ~QLocale::OmitGroupSeparator);
    QString texte = l.toString(valeur, 'f', 2);
    if (!m_deuxDecimales) {
        const QString point = l.decimalPoint();
        const qsizetype p = texte.lastIndexOf(point);
        if (p >= 0) {
            while (texte.endsWith(l.zeroDigit()))
                texte.chop(1);
            if (texte.endsWith(point))
                texte.chop(point.size());
        }
    }
    return texte;
}
