#pragma once

#include <QStringView>

namespace staging {

// Whether a staged amount stands for nothing: empty, only blanks, or wholly a number equal to 0 ("0", "-0.000"),
// or a two-currency amount of such a number, "USD0.000 @ INR2.500/USD = INR 0" (its voucher currency's amount
// between the currency, which the rate names after its "/", and " @ "; "0.000 @ / =  0" without currencies). Any
// other text counts, so that an amount the server should see (such as "-USD10.000 @ INR2.500/USD = -INR 25") is
// never dropped for not being a plain number.
bool isZeroAmount(QStringView text);

// Whether the number a text begins with is above 0: blanks are skipped wherever they stand, then a sign, digits
// and one decimal point are read up to the first other character; a text that does not begin with a number is 0.
bool leadingNumberIsPositive(QStringView text);

} // namespace staging
