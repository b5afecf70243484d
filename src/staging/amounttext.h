#pragma once

#include <QStringView>

namespace staging {

// Whether a staged amount stands for nothing: empty, only blanks, or wholly a number equal to 0 ("0", "-0.000").
// Any other text counts, so that an amount the server should see (such as "-USD10.000 @ INR2.500/USD") is never
// dropped for not being a plain number.
bool isZeroAmount(QStringView text);

// Whether the number a text begins with is above 0: blanks are skipped wherever they stand, then a sign, digits
// and one decimal point are read up to the first other character; a text that does not begin with a number is 0.
bool leadingNumberIsPositive(QStringView text);

} // namespace staging
