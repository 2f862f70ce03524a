#pragma once
// Arithmetic expressions over named variables and functions. Setting the text compiles it once
// into a flat list of operations; reading Value only runs that list, which is what makes it
// cheap to evaluate the same coordinate expression for every outline that is built.

#include "raster/Exceptions.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <vector>

namespace kolvar {

// Faults found while compiling an expression.
class EMathParserError : public Exception {
public:
    using Exception::Exception;
};

class EExpressionHasBlanks : public EMathParserError {
public:
    EExpressionHasBlanks() : EMathParserError("Expression has blanks") {}
};

class EMissMatchingBracket : public EMathParserError {
public:
    EMissMatchingBracket() : EMathParserError("Missing brackets in expression") {}
};

class ESyntaxError : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};

class ETooManyNestings : public EMathParserError {
public:
    ETooManyNestings() : EMathParserError("Expression contains too many nestings") {}
};

class EExpressionTooComplex : public EMathParserError {
public:
    EExpressionTooComplex() : EMathParserError("Expression is too complex") {}
};

class EParserInternalError : public EMathParserError {
public:
    EParserInternalError() : EMathParserError("TParser internal error") {}
};

class EBadName : public EMathParserError {
public:
    explicit EBadName(const QString& name) : EMathParserError(name) {}
};

// Arithmetic faults while evaluating (the floating-point unit's exceptions, made explicit).
class EMathError : public Exception {
public:
    using Exception::Exception;
};

class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") {}
};

class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") {}
};

class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") {}
};

class EDivByZero : public EMathError {
public:
    EDivByZero() : EMathError("Division by zero") {}
};

// Reads a whole decimal number: optional sign, digits with an optional '.', an optional
// exponent. No blanks and no locale. Values beyond the double range are refused; values too
// small for it read as zero.
bool TextToFloat(QStringView text, double& value);

// True for a letter or underscore followed by letters, digits or underscores.
bool IsIdentifier(QStringView name);

class TCustomParser;

using TParserFunction = std::function<double(double)>;
using TParserFunction2 = std::function<double(double, double)>;
using TParserExceptionEvent = std::function<void(TCustomParser& Sender, const EMathParserError& E)>;

class TCustomParser {
public:
    TCustomParser() = default;
    virtual ~TCustomParser() = default;
    TCustomParser(const TCustomParser&) = delete;
    TCustomParser& operator=(const TCustomParser&) = delete;

    // Runs the operation list; 0 when there is none (empty text or a parse error).
    double Value();

    const QString& Expression() const { return Expression_; }
    // Compiles text. Parse errors go to OnParserError when it is assigned, else to the caller.
    void SetExpression(const QString& text);

    // Whether the last SetExpression failed.
    bool ParseError() const { return ParseError_; }

    // Numbers use '.' as decimal point; off, they follow the system locale.
    bool DotNumberFormat = true;
    TParserExceptionEvent OnParserError;

    // address must outlive the parser. A name registered twice keeps its first address.
    void AddVariable(const QString& name, double* address);
    void AddFunction(const QString& name, TParserFunction function);
    void AddFunctionTwoArgs(const QString& name, TParserFunction2 function);

    // One step of the compiled list: operands and result by address.
    struct TOperation {
        uint8_t Code = 0;
        const double* A = nullptr;
        const double* B = nullptr;
        double* R = nullptr;
        int64_t N = 0; // integer exponent
        const TParserFunction* F1 = nullptr;
        const TParserFunction2* F2 = nullptr;
    };

private:
    void Compile(const QString& text);
    void ClearOperations();

    QString Expression_;
    bool ParseError_ = false;
    std::map<QString, double*> Variables_;
    std::map<QString, TParserFunction> Functions_;
    std::map<QString, TParserFunction2> Functions2_;
    std::vector<TOperation> Operations_;
    std::deque<double> Storage_; // constants and intermediate results; stable addresses
    const double* Result_ = nullptr;
};

// The parser with the usual variables and functions.
class TParser : public TCustomParser {
public:
    TParser();

    double A = 0;
    double B = 0;
    double C = 0;
    double D = 0;
    double E = 0;
    double X = 0;
    double Y = 0;
    double T = 0;
};

} // namespace kolvar
