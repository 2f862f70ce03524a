#include "vector/Parser10.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace kolvar;

namespace {

double Eval(TParser& p, const QString& text) {
    p.SetExpression(text);
    return p.Value();
}

double Eval(const QString& text) {
    TParser p;
    return Eval(p, text);
}

std::string ErrorOf(const QString& text) {
    TParser p;
    try {
        p.SetExpression(text);
    } catch (const EMathParserError& e) {
        return e.Message().toStdString();
    }
    return "<no error>";
}

QString Repeat(const QString& s, int n) {
    QString r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

} // namespace

TEST(Parser, GroupingAndPrecedence) {
    TParser p;
    EXPECT_EQ(Eval(p, "5-3-1"), 1);
    EXPECT_EQ(Eval(p, "8/4/2"), 1);
    // Right grouping shows in rounding: (1e16 + -1e16) + 1 would be 1.
    p.A = 1e16;
    p.B = -1e16;
    p.C = 1;
    EXPECT_EQ(Eval(p, "A+B+C"), 0);
    // ...and in overflow: (1e308 * 10) * 0.1 would overflow.
    p.A = 1e308;
    p.B = 10;
    p.C = 0.1;
    EXPECT_EQ(Eval(p, "A*B*C"), 1e308);
    p.A = 3;
    EXPECT_EQ(Eval(p, "-A^2"), -9);
    EXPECT_EQ(Eval(p, "(-A)^2"), 9);
    EXPECT_EQ(Eval(p, "1+2*3"), 7);
    EXPECT_EQ(Eval(p, "2*3+1"), 7);
    EXPECT_EQ(Eval(p, "10-2*3"), 4);
    EXPECT_EQ(Eval(p, "2*3^2"), 18);
    EXPECT_EQ(Eval(p, "12/2*3"), 18);
    EXPECT_EQ(Eval(p, "2*6/3"), 4);
    EXPECT_EQ(Eval(p, "1-2+3"), 2);
    EXPECT_EQ(Eval(p, "-A-1"), -4);
    EXPECT_EQ(Eval(p, "A--1"), 4);
    EXPECT_EQ(Eval(p, "3*5DIV2"), 7);
    EXPECT_EQ(Eval(p, "7DIV2*2"), 6);
    EXPECT_EQ(Eval(p, "9DIV2DIV2"), 2);
    EXPECT_EQ(Eval(p, "1E+5+1"), 100001);
    EXPECT_EQ(Eval(p, "((((2))))*(3)"), 6);
    EXPECT_THROW(p.SetExpression("2^3^2"), ESyntaxError);
    EXPECT_EQ(Eval(p, "(2^3)^2"), 64);
}

TEST(Parser, PowerKindsAndIntegerDivision) {
    TParser p;
    // The cube multiplies, so it differs from pow() in the last bit for this value.
    p.X = 1.001;
    EXPECT_EQ(Eval(p, "X^3"), p.X * p.X * p.X);
    p.B = 3;
    EXPECT_EQ(Eval(p, "X^B"), std::pow(p.X, 3.0));
    EXPECT_EQ(Eval(p, "X^5"), p.X * p.X * p.X * p.X * p.X);
    EXPECT_EQ(Eval(p, "2^3"), 8);
    EXPECT_EQ(Eval(p, "2^-1"), 0.5);
    EXPECT_EQ(Eval(p, "2^0.5"), std::sqrt(2.0));
    EXPECT_EQ(Eval(p, "(-2)^3"), -8);
    EXPECT_EQ(Eval(p, "1^2000000000"), 1);
    EXPECT_EQ(Eval(p, "7DIV2"), 3);
    EXPECT_EQ(Eval(p, "7MOD2"), 1);
    EXPECT_EQ(Eval(p, "-7DIV2"), -3);
    EXPECT_EQ(Eval(p, "-7MOD2"), -1);
    EXPECT_EQ(Eval(p, "2.5DIV1"), 2);
    EXPECT_EQ(Eval(p, "3.5DIV1"), 4);
    EXPECT_THROW(p.SetExpression("7 DIV 2"), EExpressionHasBlanks);
    p.SetExpression("1DIV0");
    EXPECT_THROW(p.Value(), EDivByZero);
    p.SetExpression("1MOD0.4");
    EXPECT_THROW(p.Value(), EDivByZero);
    p.SetExpression("1E300DIV1");
    EXPECT_THROW(p.Value(), EInvalidOp);
}

TEST(Parser, UnaryMinusOperands) {
    TParser p;
    p.A = 2;
    p.B = 3;
    EXPECT_THROW(p.SetExpression("A*-B"), ESyntaxError);
    EXPECT_THROW(p.SetExpression("A/-B"), ESyntaxError);
    EXPECT_THROW(p.SetExpression("ADIV-B"), ESyntaxError);
    EXPECT_THROW(p.SetExpression("A^-B"), ESyntaxError);
    EXPECT_EQ(Eval(p, "A*(-B)"), -6);
    EXPECT_EQ(Eval(p, "A*-3"), -6);
    EXPECT_EQ(Eval(p, "-A*B"), -6);
    EXPECT_EQ(Eval(p, "A+-B"), -1);
    EXPECT_EQ(Eval(p, "-PI"), -M_PI);
    EXPECT_EQ(Eval(p, "2*PI"), 2 * M_PI);
    EXPECT_EQ(Eval(p, "-(A+B)"), -5);
    EXPECT_THROW(p.SetExpression("--"), ESyntaxError);
    EXPECT_THROW(p.SetExpression("--2"), ESyntaxError);
}

TEST(Parser, TextHandling) {
    TParser p;
    p.X = 0.5;
    EXPECT_EQ(Eval(p, "sin(x)"), std::sin(0.5));
    EXPECT_EQ(Eval(p, "  -SIN(X)  "), -std::sin(0.5));
    EXPECT_THROW(p.SetExpression("-SIN (X)"), EExpressionHasBlanks);
    EXPECT_THROW(p.SetExpression("((1)"), EMissMatchingBracket);
    EXPECT_THROW(p.SetExpression("1+"), ESyntaxError);
    EXPECT_EQ(Eval(p, ""), 0);
    EXPECT_EQ(Eval(p, "1e3"), 1000);
    EXPECT_EQ(Eval(p, ".5"), 0.5);
    EXPECT_EQ(Eval(p, "1E-400"), 0);
    EXPECT_THROW(p.SetExpression("1e999"), ESyntaxError);
    EXPECT_THROW(p.SetExpression("2E"), ESyntaxError);
    EXPECT_THROW(p.SetExpression("1,5"), ESyntaxError);
    // The list is compiled once; the variable is read on every evaluation.
    p.SetExpression("X*2");
    p.X = 4;
    EXPECT_EQ(p.Value(), 8);
    p.X = 5;
    EXPECT_EQ(p.Value(), 10);
}

TEST(Parser, ErrorMessages) {
    EXPECT_EQ(ErrorOf("1 +2"), "Expression has blanks");
    EXPECT_EQ(ErrorOf("(1"), "Missing brackets in expression");
    EXPECT_EQ(ErrorOf("1+"), "Error parsing expression:\r1\r");
    EXPECT_EQ(ErrorOf("A*-B"), "Error parsing expression:\rA\r-B");
    EXPECT_EQ(ErrorOf("1#"), "Error parsing expression:\r1#");
    EXPECT_EQ(ErrorOf("(FOO(1))"), "Error parsing expression:\rFOO(1)");
    EXPECT_EQ(ErrorOf(Repeat("SIN(", 30) + "1" + Repeat(")", 30)),
              "Expression contains too many nestings");
    EXPECT_EQ(ErrorOf(Repeat("1+", 60) + "1"), "Expression contains too many nestings");
    TParser p;
    try {
        p.AddFunction("2BAD", [](double x) { return x; });
        ADD_FAILURE();
    } catch (const EBadName& e) {
        EXPECT_EQ(e.Message(), "2BAD");
    }
    EXPECT_EQ(EParserInternalError().Message(), "TParser internal error");
    EXPECT_EQ(EExpressionTooComplex().Message(), "Expression is too complex");
}

TEST(Parser, NestingAndComplexityLimits) {
    TParser p;
    p.A = 0.25;
    // SIN^n(A): the variable sits n + 1 levels down.
    p.SetExpression(Repeat("SIN(", 19) + "A" + Repeat(")", 19));
    double v = 0.25;
    for (int i = 0; i < 19; ++i) v = std::sin(v);
    EXPECT_EQ(p.Value(), v);
    EXPECT_THROW(p.SetExpression(Repeat("SIN(", 20) + "A" + Repeat(")", 20)), ETooManyNestings);
    EXPECT_EQ(Eval(p, Repeat("1+", 19) + "1"), 20);
    EXPECT_THROW(p.SetExpression(Repeat("1+", 20) + "1"), ETooManyNestings);
    EXPECT_THROW(p.SetExpression(Repeat("1-", 20) + "1"), ETooManyNestings);
    // Brackets alone add no level.
    EXPECT_EQ(Eval(p, Repeat("(", 10000) + "1" + Repeat(")", 10000)), 1);
    EXPECT_EQ(Eval(p, "2*" + Repeat("(", 10000) + "1" + Repeat(")", 10000)), 2);

    // A balanced tree: 2^k leaves on its last level.
    std::function<QString(int)> balanced = [&](int depth) -> QString {
        return depth == 0 ? QStringLiteral("A")
                          : "(" + balanced(depth - 1) + ")*(" + balanced(depth - 1) + ")";
    };
    p.A = 1;
    EXPECT_EQ(Eval(p, balanced(5)), 1); // 32 parts on the deepest level
    EXPECT_THROW(p.SetExpression(balanced(6)), EExpressionTooComplex); // 64
}

TEST(Parser, HostileTextNeverCrashesOrHangs) {
    TParser p;
    const QString hostile[] = {
        Repeat("-(", 10000) + "1" + Repeat(")", 10000),
        Repeat("1-", 5000) + "1",
        Repeat("A*-", 3000) + "A",
        Repeat("1+", 5000),
        Repeat("(", 5000) + Repeat("1+", 2000) + Repeat(")", 5000),
        Repeat("9", 10000),
        Repeat("MAX(1,", 2000) + "1" + Repeat(")", 2000),
        Repeat("2^", 3000) + "2",
        Repeat("DIV", 3000),
    };
    for (const QString& text : hostile) {
        try {
            p.SetExpression(text);
            p.Value();
        } catch (const EMathParserError&) {
        } catch (const EMathError&) {
        }
    }
    std::mt19937 rng(7);
    const QString alphabet = "AB12+-*/^()DIVMOD.E,SIN";
    for (int i = 0; i < 5000; ++i) {
        QString text;
        const int len = 1 + int(rng() % 24);
        for (int k = 0; k < len; ++k) text += alphabet[int(rng() % alphabet.size())];
        try {
            p.SetExpression(text);
            p.Value();
        } catch (const EMathParserError&) {
        } catch (const EMathError&) {
        }
    }
    SUCCEED();
}

TEST(Parser, ErrorEventAndRegistration) {
    TParser p;
    int calls = 0;
    QString message;
    p.OnParserError = [&](TCustomParser& sender, const EMathParserError& e) {
        EXPECT_EQ(&sender, &p);
        ++calls;
        message = e.Message();
    };
    p.SetExpression("1+");
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(p.ParseError());
    EXPECT_EQ(p.Value(), 0);
    EXPECT_EQ(message, "Error parsing expression:\r1\r");
    p.SetExpression("2");
    EXPECT_FALSE(p.ParseError());
    EXPECT_EQ(p.Value(), 2);

    p.AddFunction("twice", [](double x) { return 2 * x; });
    EXPECT_EQ(Eval(p, "TWICE(3)+Twice(1)"), 8);
    EXPECT_THROW(p.AddFunction("Twice", [](double x) { return x; }), EMathParserError);
    EXPECT_THROW(p.AddFunction("", [](double x) { return x; }), EBadName);
}

TEST(Parser, FunctionsAndArithmeticFaults) {
    TParser p;
    EXPECT_EQ(Eval(p, "HEAV(0)+HEAV(-1)"), 1);
    EXPECT_EQ(Eval(p, "SIGN(-3)*10+SIGN(0)"), -10);
    EXPECT_EQ(Eval(p, "ZERO(0)+ZERO(2)"), 1);
    EXPECT_EQ(Eval(p, "MAX(1,MIN(5,3))"), 3);
    EXPECT_FALSE(std::signbit(Eval(p, "MAX(0,-0)")));
    EXPECT_TRUE(std::signbit(Eval(p, "MIN(0,-0)")));
    const double h = M_PI / 2;
    EXPECT_DOUBLE_EQ(Eval(p, "PH(1)"), 2 * M_PI * (h - 2));
    EXPECT_DOUBLE_EQ(Eval(p, "SINH(1)"), std::sinh(1.0));
    EXPECT_DOUBLE_EQ(Eval(p, "COSH(1)"), std::cosh(1.0));
    EXPECT_DOUBLE_EQ(Eval(p, "LN(EXP(2))+SQRT(16)+ABS(-1)+ARCTAN(0)+TAN(0)+COS(0)"), 8);
    EXPECT_EQ(Eval(p, "RND(0.9)"), 0);
    const double r = Eval(p, "RND(5)");
    EXPECT_TRUE(r >= 0 && r < 5);

    const std::pair<const char*, int> faults[] = {
        {"1/0", 0},       {"0/0", 1},         {"LN(-1)", 1},   {"LN(0)", 0}, {"SQRT(-1)", 1},
        {"EXP(1000)", 2}, {"1E200*1E200", 2}, {"(-8)^0.5", 1}, {"0^-1", 0},
    };
    for (const auto& [text, kind] : faults) {
        p.SetExpression(text);
        try {
            p.Value();
            ADD_FAILURE() << text;
        } catch (const EZeroDivide&) {
            EXPECT_EQ(kind, 0) << text;
        } catch (const EInvalidOp&) {
            EXPECT_EQ(kind, 1) << text;
        } catch (const EOverflow&) {
            EXPECT_EQ(kind, 2) << text;
        }
    }
}

TEST(Parser, ProductOperandStartingWithUnaryMinusIsRejected) {
    TParser p;
    p.A = 1.5;
    p.B = -2.25;
    p.C = 3;
    // Such an operand once read as A*((-B)*C); only a signed number may follow the operator.
    EXPECT_THROW(p.SetExpression("A*-B*C"), ESyntaxError);
    EXPECT_THROW(p.SetExpression("(2.5)*-A*C"), ESyntaxError);
    EXPECT_THROW(p.SetExpression("A*-B"), ESyntaxError);
    EXPECT_EQ(ErrorOf("A*-B*C"), "Error parsing expression:\rA*-B\rC");
    EXPECT_EQ(Eval(p, "A*-2"), -3);
    EXPECT_EQ(Eval(p, "A*-PI"), 1.5 * -M_PI);
    EXPECT_EQ(Eval(p, "A*(-B)*C"), 1.5 * 2.25 * 3);
    EXPECT_EQ(Eval(p, "-B*C"), 6.75);
    EXPECT_EQ(Eval(p, "A+-B*C"), 1.5 + 6.75);
    EXPECT_EQ(Eval(p, "A/-2*C"), -2.25);
}

TEST(Parser, SignedNumberFollowedByMoreFactorsGroupsToTheLeft) {
    TParser p;
    p.A = 1.5;
    p.B = -2.25;
    p.Y = 0.25;
    p.T = -2;
    // The first "*" would leave "-2*B" on its right, which is no signed number; the next
    // "*" then splits: (A*-2)*B.
    EXPECT_EQ(Eval(p, "A*-2*B"), 6.75);
    EXPECT_EQ(Eval(p, "A*-PI*B"), (1.5 * -M_PI) * -2.25);
    EXPECT_EQ(Eval(p, "A*-2*B*A"), (1.5 * -2) * (-2.25 * 1.5));
    EXPECT_EQ(Eval(p, "A*-2*-3"), 9);
    EXPECT_EQ(Eval(p, "A*-2/B"), (1.5 * -2) / -2.25);
    EXPECT_EQ(Eval(p, "(3)*-4*(MAX(1E+2,3)-((0.1)))"), (3.0 * -4) * (100 - 0.1));
    EXPECT_EQ(Eval(p, "-B*-2.5*A+(2.5)"), (2.25 * -2.5) * 1.5 + 2.5);
    const double sinh = (std::exp(0.25) - std::exp(-0.25)) / 2;
    EXPECT_NEAR(Eval(p, "COS((SINH(MIN(Y,0.5)))*-PI*ABS(T))"), std::cos((sinh * -M_PI) * 2), 1e-15);
    // Multiplication still groups to the right when nothing forces otherwise.
    EXPECT_EQ(Eval(p, "A*B*2"), 1.5 * (-2.25 * 2));
}

TEST(Parser, IntegerDivisionAcceptsLowestInt64) {
    TParser p;
    EXPECT_EQ(Eval(p, "-9.2233720368547758E18DIV2"), -4611686018427387904.0);
    EXPECT_EQ(Eval(p, "1DIV-9.2233720368547758E18"), 0);
    EXPECT_EQ(Eval(p, "-9.2233720368547758E18MOD-1"), 0);
    EXPECT_EQ(Eval(p, "-9.2233720368547758E18MOD3"), -2);
    // Its quotient by -1 is no 64-bit integer; the top of the range itself is none either.
    p.SetExpression("-9.2233720368547758E18DIV-1");
    EXPECT_THROW(p.Value(), EOverflow);
    p.SetExpression("9.2233720368547758E18DIV2");
    EXPECT_THROW(p.Value(), EInvalidOp);
}

TEST(Parser, IntegerQuotientIsNeverNegativeZero) {
    const char* const zeros[] = {"0DIV-1", "0.4DIV-1", "0.49DIV-1", "-0.4DIV1",
                                 "0MOD-1", "-4MOD2",   "-3MOD-1",   "-0.4MOD-3"};
    for (const char* text : zeros) {
        const double v = Eval(text);
        EXPECT_EQ(v, 0) << text;
        EXPECT_FALSE(std::signbit(v)) << text;
    }
    EXPECT_EQ(Eval("5DIV-1"), -5);
}

TEST(Parser, PhOutOfRangeIsOverflow) {
    TParser p;
    for (const char* text : {"PH(1E308)", "PH(-1E308)"}) {
        p.SetExpression(text);
        EXPECT_THROW(p.Value(), EOverflow) << text;
    }
    EXPECT_EQ(Eval(p, "PH(1E300)"), 0);
}

TEST(Parser, SplitAtFirstPositionReportsEmptyLeftPart) {
    EXPECT_EQ(ErrorOf("*1"), "Error parsing expression:\r\r1");
    EXPECT_EQ(ErrorOf("DIV1"), "Error parsing expression:\r\r1");
    EXPECT_EQ(ErrorOf("+A"), "Error parsing expression:\r\rA");
    // A leading '-' is a sign, so no split is tried there.
    EXPECT_EQ(ErrorOf("-#"), "Error parsing expression:\r-#");
}
