#include "vector/Parser10.h"

#include <QLocale>
#include <QRandomGenerator>

#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>

namespace kolvar {

namespace {

constexpr int kMaxLevels = 20;
constexpr int kMaxPartsPerLevel = 50;
// Trial splits may look a little deeper than the final tree; past this the text is hopeless
// and recursion must stop long before the stack does.
constexpr int kTrialLevelGuard = 64;
// Characters the classifier may look at before it gives up on a pathological text.
constexpr int64_t kScanBudget = 4'000'000;

// --- numbers ----------------------------------------------------------------------------

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Scans sign, mantissa and exponent; on success fills the ASCII form (without '+' signs)
// and the decimal magnitude of the first significant digit plus the exponent.
bool ScanNumber(QStringView s, std::string& ascii, int64_t& magnitude) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    ascii.clear();
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        if (s[i] == u'-') ascii.push_back('-');
        ++i;
    }
    int64_t intDigits = 0;
    int64_t firstSignificant = std::numeric_limits<int64_t>::min(); // position vs the point
    int64_t digits = 0;
    bool seenPoint = false;
    int64_t fracPos = 0;
    for (; i < n; ++i) {
        const QChar c = s[i];
        if (IsDigit(c)) {
            ++digits;
            if (seenPoint)
                --fracPos;
            else
                ++intDigits;
            if (c != u'0' && firstSignificant == std::numeric_limits<int64_t>::min())
                firstSignificant = seenPoint ? fracPos + 1 : intDigits;
            ascii.push_back(char(c.unicode()));
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
            ascii.push_back('.');
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    int64_t exponent = 0;
    if (i < n && (s[i] == u'E' || s[i] == u'e')) {
        ascii.push_back('e');
        ++i;
        bool negative = false;
        if (i < n && (s[i] == u'+' || s[i] == u'-')) {
            negative = s[i] == u'-';
            if (negative) ascii.push_back('-');
            ++i;
        }
        const qsizetype start = i;
        for (; i < n && IsDigit(s[i]); ++i) {
            ascii.push_back(char(s[i].unicode()));
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (s[i].unicode() - u'0');
        }
        if (i == start) return false;
        if (negative) exponent = -exponent;
    }
    if (i != n) return false;
    magnitude = firstSignificant == std::numeric_limits<int64_t>::min()
                    ? std::numeric_limits<int64_t>::min()
                    : firstSignificant + exponent;
    return true;
}

} // namespace

bool TextToFloat(QStringView text, double& value) {
    std::string ascii;
    int64_t magnitude = 0;
    if (!ScanNumber(text, ascii, magnitude)) return false;
    double v = 0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
    if (ptr != ascii.data() + ascii.size()) return false;
    if (ec == std::errc::result_out_of_range) {
        if (magnitude > 0) return false; // overflow
        v = (!ascii.empty() && ascii[0] == '-') ? -0.0 : 0.0;
    } else if (ec != std::errc()) {
        return false;
    }
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

bool IsIdentifier(QStringView name) {
    if (name.isEmpty()) return false;
    auto letter = [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    };
    if (!letter(name[0])) return false;
    for (QChar c : name)
        if (!letter(c) && !IsDigit(c)) return false;
    return true;
}

namespace {

// --- the split tree ---------------------------------------------------------------------

enum class TOpCode : uint8_t {
    Neg,
    Add,
    Sub,
    Mul,
    Div,
    IntDiv,
    IntMod,
    Square,
    Cube,
    Fourth,
    IntPower,
    RealPower,
    Call1,
    Call2,
};

enum class TNodeKind : uint8_t { Variable, Constant, Operation };

struct TNode {
    TNodeKind Kind = TNodeKind::Constant;
    TOpCode Op = TOpCode::Neg;
    double Constant = 0;
    double* Variable = nullptr;
    int64_t Exponent = 0;
    const TParserFunction* F1 = nullptr;
    const TParserFunction2* F2 = nullptr;
    const TNode* Left = nullptr;
    const TNode* Right = nullptr;
};

// What a part of the text turned out to be; operators admit operands by kind.
enum class TPartKind : uint8_t {
    Invalid,
    Variable,
    Number,
    Bracket,
    Call,
    Negation,
    Sum,
    Difference,
    Product,
    IntDiv,
    IntMod,
    Quotient,
    Power,
};

struct TPart {
    TPartKind Kind = TPartKind::Invalid;
    const TNode* Node = nullptr;
    bool Valid() const { return Kind != TPartKind::Invalid; }
};

bool IsAtom(TPartKind k) {
    return k == TPartKind::Variable || k == TPartKind::Number || k == TPartKind::Bracket ||
           k == TPartKind::Call;
}

bool IsDivision(TPartKind k) {
    return k == TPartKind::IntDiv || k == TPartKind::IntMod || k == TPartKind::Quotient;
}

bool Factor(TPartKind k) {
    return IsAtom(k) || k == TPartKind::Power;
}

// The operand kinds each operator admits; they give the grouping and precedence.
bool AdmitSumLeft(TPartKind k) {
    return k != TPartKind::Invalid && k != TPartKind::Sum;
}
bool AdmitDifferenceRight(TPartKind k) {
    return k != TPartKind::Invalid && k != TPartKind::Sum && k != TPartKind::Difference;
}
// A product on the left only arises when no earlier "*" could split the text, as in A*-2*B,
// whose first split would put the signed number before more factors.
bool AdmitProductLeft(TPartKind k) {
    return Factor(k) || k == TPartKind::Negation || IsDivision(k) || k == TPartKind::Product;
}
bool AdmitProductRight(TPartKind k) {
    return Factor(k) || k == TPartKind::Product;
}
bool AdmitNegated(TPartKind k) {
    return k == TPartKind::Bracket || k == TPartKind::Variable || k == TPartKind::Power ||
           k == TPartKind::Call;
}

struct TTables {
    const std::map<QString, double*>& Variables;
    const std::map<QString, TParserFunction>& Functions;
    const std::map<QString, TParserFunction2>& Functions2;
    bool DotNumberFormat;
};

// Classifies parts of the text by the rules in their fixed order, splitting at operators.
// Results are remembered per substring, so trial splits cost each substring only once.
class TSplitter {
public:
    TSplitter(const QString& text, const TTables& tables) : Text_(text), Tables_(tables) {
        const qsizetype n = text.size();
        Depth_.assign(n + 1, 0);
        Match_.assign(n, -1);
        std::vector<int> open;
        for (qsizetype i = 0; i < n; ++i) {
            int d = Depth_[i];
            if (text[i] == u'(') {
                ++d;
                open.push_back(int(i));
            } else if (text[i] == u')') {
                --d;
                if (!open.empty()) {
                    Match_[open.back()] = int(i);
                    open.pop_back();
                }
            }
            Depth_[i + 1] = d;
        }
    }

    int Size() const { return int(Text_.size()); }
    bool Enclosed(int b, int e) const {
        return e - b >= 2 && Text_[b] == u'(' && Match_[b] == e - 1;
    }
    TPart Classify(int b, int e, int level);
    QString SyntaxMessage(int b, int e) const;

private:
    bool TopLevel(int b, int i) const { return Depth_[i] == Depth_[b]; }
    bool OperatorAt(int i, QStringView op) const {
        return QStringView(Text_).mid(i, op.size()) == op;
    }
    const TNode* NewNode(const TNode& n) {
        Nodes_.push_back(n);
        return &Nodes_.back();
    }
    TPart Evaluate(int b, int e, int level);
    TPart Leaf(int b, int e);
    TPart Negation(int b, int e, int level);
    TPart Split(int b, int e, int level, QStringView op, TPartKind kind);
    TPart Call(int b, int e, int level);
    TPart Combine(TPartKind kind, TPart l, TPart r);

    const QString& Text_;
    const TTables& Tables_;
    std::vector<int> Depth_; // bracket depth before each character
    std::vector<int> Match_; // closing bracket of each opening one
    std::unordered_map<uint64_t, TPart> Memo_;
    std::deque<TNode> Nodes_;
    int64_t Budget_ = kScanBudget;
};

TPart TSplitter::Classify(int b, int e, int level) {
    if (level > kTrialLevelGuard) throw ETooManyNestings();
    if (b >= e) return {};
    const uint64_t key = (uint64_t(uint32_t(b)) << 32) | uint32_t(e);
    if (auto it = Memo_.find(key); it != Memo_.end()) return it->second;
    Budget_ -= e - b + 1;
    if (Budget_ < 0) throw EExpressionTooComplex();
    const TPart part = Evaluate(b, e, level);
    Memo_.emplace(key, part);
    return part;
}

TPart TSplitter::Evaluate(int b, int e, int level) {
    if (Enclosed(b, e)) {
        // Strip every redundant pair at once: deep bracket towers must not recurse.
        while (Enclosed(b + 1, e - 1)) {
            ++b;
            --e;
        }
        const TPart inner = Classify(b + 1, e - 1, level);
        return inner.Valid() ? TPart{TPartKind::Bracket, inner.Node} : TPart{};
    }
    if (TPart p = Leaf(b, e); p.Valid()) return p;
    if (TPart p = Negation(b, e, level); p.Valid()) return p;
    static const struct {
        const char16_t* Op;
        TPartKind Kind;
    } kSplits[] = {
        {u"+", TPartKind::Sum},      {u"-", TPartKind::Difference}, {u"*", TPartKind::Product},
        {u"DIV", TPartKind::IntDiv}, {u"MOD", TPartKind::IntMod},   {u"/", TPartKind::Quotient},
        {u"^", TPartKind::Power},
    };
    for (const auto& s : kSplits)
        if (TPart p = Split(b, e, level, s.Op, s.Kind); p.Valid()) return p;
    return Call(b, e, level);
}

TPart TSplitter::Leaf(int b, int e) {
    const QString name = Text_.mid(b, e - b);
    if (auto it = Tables_.Variables.find(name); it != Tables_.Variables.end()) {
        TNode n;
        n.Kind = TNodeKind::Variable;
        n.Variable = it->second;
        return {TPartKind::Variable, NewNode(n)};
    }
    double v = 0;
    bool ok = false;
    if (name == u"PI" || name == u"-PI") {
        v = name[0] == u'-' ? -M_PI : M_PI;
        ok = true;
    } else if (Tables_.DotNumberFormat) {
        ok = TextToFloat(name, v);
    } else {
        v = QLocale::system().toDouble(name, &ok);
        ok = ok && std::isfinite(v);
    }
    if (!ok) return {};
    TNode n;
    n.Kind = TNodeKind::Constant;
    n.Constant = v;
    return {TPartKind::Number, NewNode(n)};
}

TPart TSplitter::Negation(int b, int e, int level) {
    if (Text_[b] != u'-' || e - b < 2) return {};
    const TPart r = Classify(b + 1, e, level + 1);
    if (!AdmitNegated(r.Kind)) return {};
    TNode n;
    n.Kind = TNodeKind::Operation;
    n.Op = TOpCode::Neg;
    n.Left = r.Node;
    return {TPartKind::Negation, NewNode(n)};
}

TPart TSplitter::Combine(TPartKind kind, TPart l, TPart r) {
    TNode n;
    n.Kind = TNodeKind::Operation;
    n.Left = l.Node;
    n.Right = r.Node;
    switch (kind) {
    case TPartKind::Sum:
        n.Op = TOpCode::Add;
        break;
    case TPartKind::Difference:
        n.Op = TOpCode::Sub;
        break;
    case TPartKind::Product:
        n.Op = TOpCode::Mul;
        break;
    case TPartKind::IntDiv:
        n.Op = TOpCode::IntDiv;
        break;
    case TPartKind::IntMod:
        n.Op = TOpCode::IntMod;
        break;
    case TPartKind::Quotient:
        n.Op = TOpCode::Div;
        break;
    case TPartKind::Power: {
        n.Op = TOpCode::RealPower;
        const double y = r.Node->Constant;
        if (r.Kind == TPartKind::Number && y == std::trunc(y) && std::fabs(y) < 2147483648.0) {
            n.Exponent = int64_t(y);
            n.Op = n.Exponent == 2   ? TOpCode::Square
                   : n.Exponent == 3 ? TOpCode::Cube
                   : n.Exponent == 4 ? TOpCode::Fourth
                                     : TOpCode::IntPower;
        }
        break;
    }
    default:
        throw EParserInternalError();
    }
    return {kind, NewNode(n)};
}

bool Admits(TPartKind op, TPartKind l, TPartKind r) {
    switch (op) {
    case TPartKind::Sum:
        return AdmitSumLeft(l) && r != TPartKind::Invalid;
    case TPartKind::Difference:
        return AdmitSumLeft(l) && AdmitDifferenceRight(r);
    case TPartKind::Product:
        return AdmitProductLeft(l) && AdmitProductRight(r);
    case TPartKind::Power:
        return IsAtom(l) && IsAtom(r);
    default:
        return AdmitProductLeft(l) && Factor(r);
    }
}

// A leading '-' is a sign, never a subtraction; every other operator is tried there too.
int FirstSplitAt(int b, QStringView op) {
    return op == u"-" ? b + 1 : b;
}

bool IsMultiplicative(TPartKind k) {
    return k == TPartKind::Product || IsDivision(k);
}

TPart TSplitter::Split(int b, int e, int level, QStringView op, TPartKind kind) {
    const int width = int(op.size());
    for (int i = FirstSplitAt(b, op); i + width < e; ++i) {
        if (!TopLevel(b, i) || !OperatorAt(i, op)) continue;
        const TPart l = Classify(b, i, level + 1);
        if (!l.Valid()) continue;
        const TPart r = Classify(i + width, e, level + 1);
        // Only a signed number may follow a multiplicative operator directly: A*-B*C is no
        // product, whatever the kind of -B*C.
        if (IsMultiplicative(kind) && Text_[i + width] == u'-' && r.Kind != TPartKind::Number)
            continue;
        if (Admits(kind, l.Kind, r.Kind)) return Combine(kind, l, r);
    }
    return {};
}

TPart TSplitter::Call(int b, int e, int level) {
    if (Text_[e - 1] != u')') return {};
    int open = b;
    while (open < e && Text_[open] != u'(') ++open;
    if (open == b || open >= e || Match_[open] != e - 1) return {};
    const QString name = Text_.mid(b, open - b);
    const int ab = open + 1;
    const int ae = e - 1;
    TNode n;
    n.Kind = TNodeKind::Operation;
    if (auto f = Tables_.Functions.find(name); f != Tables_.Functions.end()) {
        const TPart arg = Classify(ab, ae, level + 1);
        if (!arg.Valid()) return {};
        n.Op = TOpCode::Call1;
        n.F1 = &f->second;
        n.Left = arg.Node;
        return {TPartKind::Call, NewNode(n)};
    }
    auto f = Tables_.Functions2.find(name);
    if (f == Tables_.Functions2.end()) return {};
    for (int i = ab; i < ae; ++i) {
        if (Text_[i] != u',' || Depth_[i] != Depth_[ab]) continue;
        const TPart l = Classify(ab, i, level + 1);
        const TPart r = l.Valid() ? Classify(i + 1, ae, level + 1) : TPart{};
        if (!r.Valid()) continue;
        n.Op = TOpCode::Call2;
        n.F2 = &f->second;
        n.Left = l.Node;
        n.Right = r.Node;
        return {TPartKind::Call, NewNode(n)};
    }
    return {};
}

// Names the halves of the last split that was tried on a part that matched no rule.
QString TSplitter::SyntaxMessage(int b, int e) const {
    static const char16_t* const kOps[] = {u"+", u"-", u"*", u"DIV", u"MOD", u"/", u"^"};
    int lastAt = -1;
    int lastWidth = 0;
    for (const char16_t* op : kOps) {
        const QStringView v(op);
        for (int i = FirstSplitAt(b, v); i + int(v.size()) <= e; ++i) {
            if (TopLevel(b, i) && OperatorAt(i, v)) {
                lastAt = i;
                lastWidth = int(v.size());
            }
        }
    }
    const QString head = QStringLiteral("Error parsing expression:\r");
    if (lastAt < 0) return head + Text_.mid(b, e - b);
    return head + Text_.mid(b, lastAt - b) + u'\r' +
           Text_.mid(lastAt + lastWidth, e - lastAt - lastWidth);
}

// Refuses trees deeper than the limit or wider than the limit on any level.
void CheckShape(const TNode* n, int level, std::vector<int>& perLevel) {
    if (level > kMaxLevels) throw ETooManyNestings();
    if (++perLevel[level] > kMaxPartsPerLevel) throw EExpressionTooComplex();
    if (n->Kind != TNodeKind::Operation) return;
    CheckShape(n->Left, level + 1, perLevel);
    if (n->Right) CheckShape(n->Right, level + 1, perLevel);
}

bool IsBlank(QChar c) {
    return c.unicode() <= u' ';
}

QString Trimmed(const QString& s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.mid(b, e - b);
}

// --- evaluation -------------------------------------------------------------------------

double Checked(double r) {
    if (std::isnan(r)) throw EInvalidOp();
    if (std::isinf(r)) throw EOverflow();
    return r;
}

int64_t RoundToInt64(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) throw EInvalidOp();
    return int64_t(r);
}

double Divide(double a, double b) {
    if (b == 0) {
        if (a == 0 || std::isnan(a)) throw EInvalidOp();
        throw EZeroDivide();
    }
    return Checked(a / b);
}

double IntegerDivide(double a, double b, bool remainder) {
    const int64_t x = RoundToInt64(a);
    const int64_t y = RoundToInt64(b);
    if (y == 0) throw EDivByZero();
    if (x == std::numeric_limits<int64_t>::min() && y == -1) {
        // The one quotient outside the 64-bit range; the remainder is plain 0.
        if (!remainder) throw EOverflow();
        return 0;
    }
    return remainder ? double(x % y) : double(x / y);
}

double IntegerPower(double x, int64_t n) {
    if (n == 0) return 1;
    if (x == 0 && n < 0) throw EZeroDivide();
    uint64_t m = n < 0 ? uint64_t(-n) : uint64_t(n);
    double r = 1;
    if (m <= 1024) {
        // Repeated multiplication for the exponents anybody writes...
        for (uint64_t i = 0; i < m; ++i) r *= x;
    } else {
        // ...and squaring for the rest, so a huge exponent cannot stall the program.
        double p = x;
        for (; m; m >>= 1) {
            if (m & 1) r *= p;
            p *= p;
        }
    }
    if (n < 0) return Divide(1, Checked(r));
    return Checked(r);
}

double RealPower(double x, double y) {
    if (y == 0) return 1;
    if (x == 0) {
        if (y < 0) throw EZeroDivide();
        return 0;
    }
    if (x < 0 && y != std::trunc(y)) throw EInvalidOp();
    return Checked(std::pow(x, y));
}

double Run(const TCustomParser::TOperation& op) {
    const double a = op.A ? *op.A : 0;
    const double b = op.B ? *op.B : 0;
    switch (TOpCode(op.Code)) {
    case TOpCode::Neg:
        return -a;
    case TOpCode::Add:
        return Checked(a + b);
    case TOpCode::Sub:
        return Checked(a - b);
    case TOpCode::Mul:
        return Checked(a * b);
    case TOpCode::Div:
        return Divide(a, b);
    case TOpCode::IntDiv:
        return IntegerDivide(a, b, false);
    case TOpCode::IntMod:
        return IntegerDivide(a, b, true);
    case TOpCode::Square:
        return Checked(a * a);
    case TOpCode::Cube:
        return Checked(a * a * a);
    case TOpCode::Fourth:
        return Checked(a * a * a * a);
    case TOpCode::IntPower:
        return IntegerPower(a, op.N);
    case TOpCode::RealPower:
        return RealPower(a, b);
    case TOpCode::Call1:
        return Checked((*op.F1)(a));
    case TOpCode::Call2:
        return Checked((*op.F2)(a, b));
    }
    throw EParserInternalError();
}

} // namespace

// --- TCustomParser ----------------------------------------------------------------------

double TCustomParser::Value() {
    if (!Result_) return 0;
    for (const TOperation& op : Operations_) *op.R = Run(op);
    return *Result_;
}

void TCustomParser::ClearOperations() {
    Operations_.clear();
    Storage_.clear();
    Result_ = nullptr;
}

void TCustomParser::SetExpression(const QString& text) {
    ClearOperations();
    ParseError_ = false;
    Expression_ = text;
    if (text.isEmpty()) return;
    try {
        Compile(text);
    } catch (const EMathParserError& e) {
        ClearOperations();
        ParseError_ = true;
        if (!OnParserError) throw;
        OnParserError(*this, e);
    }
}

void TCustomParser::Compile(const QString& source) {
    const QString text = Trimmed(source.toUpper());
    for (QChar c : text)
        if (IsBlank(c)) throw EExpressionHasBlanks();
    int balance = 0;
    for (QChar c : text) balance += c == u'(' ? 1 : c == u')' ? -1 : 0;
    if (balance != 0) throw EMissMatchingBracket();

    const TTables tables{Variables_, Functions_, Functions2_, DotNumberFormat};
    TSplitter splitter(text, tables);
    int b = 0;
    int e = splitter.Size();
    while (splitter.Enclosed(b, e)) {
        ++b;
        --e;
    }
    const TPart root = splitter.Classify(b, e, 1);
    if (!root.Valid()) throw ESyntaxError(splitter.SyntaxMessage(b, e));
    std::vector<int> perLevel(kMaxLevels + 1, 0);
    CheckShape(root.Node, 1, perLevel);

    // Operands before the operations that use them.
    std::function<const double*(const TNode*)> emitNode = [&](const TNode* n) -> const double* {
        switch (n->Kind) {
        case TNodeKind::Variable:
            return n->Variable;
        case TNodeKind::Constant:
            return &Storage_.emplace_back(n->Constant);
        case TNodeKind::Operation: {
            TOperation op;
            op.Code = uint8_t(n->Op);
            op.A = emitNode(n->Left);
            if (n->Right && n->Op != TOpCode::IntPower && n->Op != TOpCode::Square &&
                n->Op != TOpCode::Cube && n->Op != TOpCode::Fourth)
                op.B = emitNode(n->Right);
            op.N = n->Exponent;
            op.F1 = n->F1;
            op.F2 = n->F2;
            op.R = &Storage_.emplace_back(0.0);
            Operations_.push_back(op);
            return op.R;
        }
        }
        throw EParserInternalError();
    };
    Result_ = emitNode(root.Node);
}

void TCustomParser::AddVariable(const QString& name, double* address) {
    if (!IsIdentifier(name)) throw EBadName(name);
    Variables_.emplace(name.toUpper(), address);
}

void TCustomParser::AddFunction(const QString& name, TParserFunction function) {
    if (!IsIdentifier(name)) throw EBadName(name);
    if (!Functions_.emplace(name.toUpper(), std::move(function)).second)
        throw EMathParserError(QStringLiteral("Duplicate function ") + name);
}

void TCustomParser::AddFunctionTwoArgs(const QString& name, TParserFunction2 function) {
    if (!IsIdentifier(name)) throw EBadName(name);
    if (!Functions2_.emplace(name.toUpper(), std::move(function)).second)
        throw EMathParserError(QStringLiteral("Duplicate function ") + name);
}

// --- TParser ----------------------------------------------------------------------------

namespace {

double Ln(double x) {
    if (x == 0) throw EZeroDivide();
    if (x < 0) throw EInvalidOp();
    return std::log(x);
}

double Sqrt(double x) {
    if (x < 0) throw EInvalidOp();
    return std::sqrt(x);
}

double Ph(double x) {
    const double h = Checked(x * M_PI) / 2;
    return 2 * M_PI * (h - std::nearbyint(h));
}

} // namespace

TParser::TParser() {
    const std::pair<const char*, double*> vars[] = {{"A", &A}, {"B", &B}, {"C", &C}, {"D", &D},
                                                    {"E", &E}, {"X", &X}, {"Y", &Y}, {"T", &T}};
    for (const auto& [name, address] : vars) AddVariable(QString::fromLatin1(name), address);
    AddFunction("TAN", [](double x) { return std::tan(x); });
    AddFunction("SIN", [](double x) { return std::sin(x); });
    AddFunction("COS", [](double x) { return std::cos(x); });
    AddFunction("SINH", [](double x) { return (std::exp(x) - std::exp(-x)) / 2; });
    AddFunction("COSH", [](double x) { return (std::exp(x) + std::exp(-x)) / 2; });
    AddFunction("ARCTAN", [](double x) { return std::atan(x); });
    AddFunction("EXP", [](double x) { return std::exp(x); });
    AddFunction("LN", Ln);
    AddFunction("SQRT", Sqrt);
    AddFunction("ABS", [](double x) { return std::fabs(x); });
    AddFunction("HEAV", [](double x) { return x >= 0 ? 1.0 : 0.0; });
    AddFunction("SIGN", [](double x) { return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0; });
    AddFunction("ZERO", [](double x) { return x == 0 ? 0.0 : 1.0; });
    AddFunction("PH", Ph);
    AddFunction("RND", [](double x) {
        return std::trunc(x) * QRandomGenerator::global()->generateDouble();
    });
    AddFunctionTwoArgs("MAX", [](double a, double b) { return a >= b ? a : b; });
    AddFunctionTwoArgs("MIN", [](double a, double b) { return a < b ? a : b; });
}

} // namespace kolvar
