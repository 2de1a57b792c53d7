// Feeds arbitrary texts to the amount and number routines and to the capital
// figures conversion, and checks that the two exact readers (Money, Decimal)
// and the formatters agree with each other.
//   build-fuzz/fuzz/fuzz_amount -max_total_time=300 -max_len=256

#include "common/AmountConvert.h"
#include "common/Decimal.h"
#include "common/FieldChecks.h"
#include "common/Money.h"
#include "common/TextFormat.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void exercise(const QString& text)
{
    // Money: what it reads, it writes back in both forms, and Decimal reads the
    // same value.
    const auto money = Money::parse(text);
    if (money) {
        require(Money::parse(money->toPlainText()) == money, "Money plain text round trip");
        require(Money::parse(money->toGroupedText()) == money, "Money grouped text round trip");
        const auto asDecimal = Decimal::parse(text);
        require(asDecimal.has_value(), "an amount is a number");
        require(Decimal::parse(money->toPlainText()) == asDecimal, "Money and Decimal agree");
        const auto sum = Money::checkedAdd(*money, *money);
        if (sum)
            require(Money::parse(sum->toPlainText()) == sum, "sum round trip");
        if (!money->isZero() && money->fen() > 0) {
            const QString words = amountToWords(money->toPlainText());
            require(!words.isEmpty(), "a positive amount has words");
        }
    }
    require(isAmountText(text) == (money.has_value() && !text.contains(u'-')), "isAmountText matches Money");

    const auto decimal = Decimal::parse(text);
    if (decimal) {
        require(Decimal::parse(decimal->toPlainText()) == decimal, "Decimal plain text round trip");
        require(Decimal::parse(decimal->toDisplayText()) == decimal, "Decimal display text round trip");
        require(isInRange(text, *decimal, *decimal), "a number is within itself");
    }

    QString copy = text;
    const bool number = isNumberText(copy);
    require(!copy.contains(u','), "isNumberText removes commas");
    require(!number || decimal.has_value(), "isNumberText matches Decimal");
    (void)isIntegerText(text);
    (void)isIdCardNumber(text);
    (void)isDigitsOnly(text);
    (void)isAccountText(text);

    (void)formatAmount(text);
    (void)formatAmountTyped(text);
    (void)groupThousands(text);
    (void)amountToWords(text);
    (void)amountToWords(removeCommas(text));

    // The first line as a length rule for the rest.
    const qsizetype newline = text.indexOf(u'\n');
    if (newline >= 0) {
        const QString rule = text.left(newline);
        const QString rest = text.mid(newline + 1);
        (void)checkLength(rest, rule, true);
        (void)checkLength(rest, rule, false);
    }
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size > 4096)
        return 0;
    const auto* chars = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);
    exercise(QString::fromUtf8(chars, length));
    exercise(QString::fromLatin1(chars, length));
    return 0;
}
