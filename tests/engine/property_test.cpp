// Seeded random formulas and typed tables: the result must cover exactly the
// assignments that an evaluator written here, independent of the engine's
// scanner and director program, computes, and VerifyResult must agree.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "test_support.h"

namespace tervo {
namespace {

// Recursive descent over the formula language: '>' binds loosest, then '+',
// '-', '=', '.', and '/' tightest; operators of one level group left to
// right; neighbouring operands are joined by AND.
class Evaluator {
 public:
  Evaluator(const std::string& text, std::string_view vars, uint32_t row) : s_(text), vars_(vars), row_(row) {}
  bool Value() {
    pos_ = 0;
    return Implication();
  }

 private:
  char Peek() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }
  bool Implication() {
    bool v = Or();
    while (Peek() == '>') {
      ++pos_;
      const bool r = Or();
      v = !v || r;
    }
    return v;
  }
  bool Or() {
    bool v = Xor();
    while (Peek() == '+') {
      ++pos_;
      v = Xor() || v;
    }
    return v;
  }
  bool Xor() {
    bool v = Eqv();
    while (Peek() == '-') {
      ++pos_;
      v = v != Eqv();
    }
    return v;
  }
  bool Eqv() {
    bool v = And();
    while (Peek() == '=') {
      ++pos_;
      v = v == And();
    }
    return v;
  }
  bool StartsOperand() const {
    const char c = Peek();
    return (c >= 'A' && c <= 'Z') || c == '/' || c == '(';
  }
  bool And() {
    bool v = Unary();
    while (Peek() == '.' || StartsOperand()) {
      if (Peek() == '.') ++pos_;
      v = Unary() && v;
    }
    return v;
  }
  bool Unary() {
    if (Peek() == '/') {
      ++pos_;
      return !Unary();
    }
    if (Peek() == '(') {
      ++pos_;
      const bool v = Implication();
      ++pos_;  // ')'
      return v;
    }
    const char c = s_[pos_++];
    const auto index = vars_.find(c);
    return (row_ >> index) & 1;
  }
  const std::string& s_;
  std::string_view vars_;
  uint32_t row_;
  size_t pos_ = 0;
};

// Random formulas over the first n letters, with brackets, every operator,
// inversion runs and implied AND.
class FormulaMaker {
 public:
  explicit FormulaMaker(uint32_t seed) : rng_(seed) {}
  std::string Make(int n, int budget) {
    n_ = n;
    budget_ = budget;
    std::string f = Expr(0);
    // make sure every letter takes part, so the variable count is n
    for (int v = 0; v < n; ++v)
      if (f.find(static_cast<char>('A' + v)) == std::string::npos) f = "(" + f + ")" + Op() + Letter(v);
    return f;
  }

 private:
  int Pick(int k) { return std::uniform_int_distribution<int>(0, k - 1)(rng_); }
  std::string Letter(int v) { return std::string(1, static_cast<char>('A' + v)); }
  std::string Op() {
    static const char ops[] = {'.', '.', '+', '+', '-', '=', '>', ' '};  // ' ' is an implied AND
    const char c = ops[Pick(8)];
    return c == ' ' ? "" : std::string(1, c);
  }
  std::string Expr(int depth) {
    --budget_;
    const int choice = budget_ <= 0 || depth > 6 ? 0 : Pick(6);
    switch (choice) {
      case 0:
      case 1: return Letter(Pick(n_));
      case 2: return std::string(1 + Pick(3), '/') + Expr(depth + 1);
      case 3: return "(" + Expr(depth + 1) + ")";
      default: {
        const std::string left = Expr(depth + 1);
        const std::string op = Op();
        std::string right = Expr(depth + 1);
        return left + op + right;
      }
    }
  }
  std::mt19937 rng_;
  int n_ = 1;
  int budget_ = 0;
};

TEST(Property, RandomFormulasCoverExactlyTheirRows) {
  FormulaMaker maker(2024);
  int checked = 0;
  for (int round = 0; round < 1500; ++round) {
    const int n = 1 + round % 9;
    const std::string f = maker.Make(n, 4 + n * 4);
    const uint8_t cnf = round % 2;
    const bool reduce = round % 3 != 0;
    auto e = test::NewEngine();
    e->CnfMode = cnf;
    const uint8_t code = test::Translate(*e, f);
    ASSERT_TRUE(code == kOk || code == kTautology || code == kInconsistent) << f << " code " << int(code);
    ASSERT_EQ(e->VariableCount, n) << f;

    // the independent evaluator's truth table
    std::vector<bool> wanted(1u << n);
    int ones = 0;
    for (uint32_t r = 0; r < (1u << n); ++r) {
      wanted[r] = Evaluator(f, e->Variables(), r).Value() == (cnf == 1);
      ones += Evaluator(f, e->Variables(), r).Value();
    }
    if (code == kTautology) {
      EXPECT_EQ(ones, 1 << n) << f;
      continue;
    }
    if (code == kInconsistent) {
      EXPECT_EQ(ones, 0) << f;
      continue;
    }
    if (reduce) test::Reduce(*e);
    ASSERT_GT(e->TermCount, 0) << f;
    EXPECT_TRUE(VerifyResult(*e)) << f;
    for (uint32_t r = 0; r < (1u << n); ++r)
      ASSERT_EQ(IsCovered(*e, static_cast<uint16_t>(r)), wanted[r]) << f << " row " << r;
    for (int t = 1; t <= e->TermCount; ++t) ASSERT_NE(e->TermMask[t], 0) << f;
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}

TEST(Property, RandomTypedTablesCoverExactlyTheirTerms) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 1000; ++round) {
    const int n = 1 + round % 9;
    const int terms = 1 + static_cast<int>(rng() % 24);
    // distinct header letters in a random order
    std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::shuffle(alphabet.begin(), alphabet.end(), rng);
    std::string text = alphabet.substr(0, n);
    std::vector<std::pair<uint16_t, uint16_t>> typed;
    for (int t = 0; t < terms; ++t) {
      std::string line(n, ' ');
      uint16_t value = 0, mask = 0;
      for (int c = 0; c < n; ++c) {
        const int pick = static_cast<int>(rng() % 5);
        if (pick < 2) continue;  // blank
        line[c] = pick == 2 ? '0' : '1';
        mask |= 1u << c;
        if (pick != 2) value |= 1u << c;
      }
      if (mask == 0) {
        line[0] = '1';
        mask = value = 1;
      }
      typed.emplace_back(value, mask);
      text += "\n" + line;
    }
    auto e = test::NewEngine();
    ASSERT_EQ(test::Table(*e, text), kOk) << text;
    test::Reduce(*e);
    std::vector<bool> wanted(1u << n);
    uint32_t covered = 0;
    for (uint32_t a = 0; a < (1u << n); ++a) {
      for (auto [v, m] : typed) wanted[a] = wanted[a] || ((a ^ v) & m) == 0;
      covered += wanted[a];
    }
    if (covered == (1u << n)) {
      EXPECT_EQ(e->TermCount, 0) << "a table covering everything reduces to nothing\n" << text;
      continue;
    }
    EXPECT_TRUE(VerifyResult(*e)) << text;
    for (uint32_t a = 0; a < (1u << n); ++a)
      ASSERT_EQ(IsCovered(*e, static_cast<uint16_t>(a)), wanted[a]) << text << "\nrow " << a;
  }
}

TEST(Property, RandomDenseFunctionsReduceToTheSameRows) {
  // Dense functions are slow for the plain loop: up to 7 variables here.
  std::mt19937 rng(77);
  for (int round = 0; round < 280; ++round) {
    const int n = 1 + round % 7;
    const double p = (round % 3 + 1) * 0.25;
    std::bernoulli_distribution coin(p);
    auto e = test::NewEngine();
    e->VariableCount = static_cast<uint8_t>(n);
    std::vector<bool> wanted(1u << n);
    for (uint32_t r = 0; r < (1u << n); ++r) {
      if (!coin(rng)) continue;
      wanted[r] = true;
      ++e->TermCount;
      e->TermValue[e->TermCount] = static_cast<uint16_t>(r);
      e->TermMask[e->TermCount] = LowMask(n);
    }
    if (e->TermCount == 0 || e->TermCount == (1u << n)) continue;
    const uint16_t before = e->TermCount;
    test::Reduce(*e);
    ASSERT_GT(e->TermCount, 0);
    ASSERT_LE(e->TermCount, before);
    for (uint32_t a = 0; a < (1u << n); ++a)
      ASSERT_EQ(IsCovered(*e, static_cast<uint16_t>(a)), wanted[a]) << "round " << round << " row " << a;
  }
}

}  // namespace
}  // namespace tervo
