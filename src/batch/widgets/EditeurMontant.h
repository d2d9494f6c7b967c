#pragma once
// A number editor with digit grouping and at most two decimals. In the "every decimal" mode
// it always shows two decimals; otherwise only the decimals that are not zero (100, 12,5).
#include <QDoubleSpinBox>

class TEditeurMontant : public QDoubleSpinBox
{
    Q_OBJECT
public:
    explicit TEditeurMontant(QWidget* parent = nullptr);

    bool deuxDecimales() const { return m_deuxDecimales; }
    void setDeuxDecimales(bool toujours);

    QString textFromValue(double valeur) const override;

private:
    bool m_deuxDecimales = true;
};
