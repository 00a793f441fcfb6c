// Undo and redo in the editor model: random edits taken back one by one to
// every earlier state and done again, and the rules of what makes a step.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "edit_history.h"
#include "editor_model.h"

namespace tervo {
namespace {

struct Editor {
  std::unique_ptr<Engine> e = std::make_unique<Engine>();
  EditorView view;
  EditorModel model{*e, view};
  EditorState Now() const { return CaptureEditor(*e, view); }
};

// A file load as the window does it: grids and input mode replaced inside
// one Step of its own, the cursor back at the top.
void Load(EditorModel& model, Engine& e, EditorView& view, char fill, bool formula) {
  const EditorModel::Step step(model);
  for (auto& row : e.FormulaGrid) row.fill(fill);
  for (auto& line : e.TableGrid) line.fill(' ');
  e.TableGrid[0][0] = 'A';
  e.FormulaMode = formula ? 1 : 0;
  view.CursorCol = view.CursorRow = 0;
  view.ScrollPos = 0;
}

// One random action: typing, a key (moves, edits, line commands), a paste
// of a few lines, a load, or a switch of the input mode by its button (not
// an edit: never a step of its own). False for the switch.
bool RandomAction(Editor& ed, std::mt19937& rng) {
  static constexpr char kTyped[] = "ab+./()=-> 01AZ#";
  static constexpr EditKey kKeys[] = {EditKey::kLeft,  EditKey::kRight,     EditKey::kUp,       EditKey::kDown,
                                      EditKey::kHome,  EditKey::kEnd,       EditKey::kInsert,   EditKey::kBackspace,
                                      EditKey::kDelete, EditKey::kEnter,    EditKey::kOpenLine, EditKey::kDeleteLine};
  auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  switch (pick(10)) {
    case 0:
    case 1:
    case 2: {
      const char ch = kTyped[pick(sizeof kTyped - 1)];
      if (ed.model.Accepts(ch)) ed.model.Type(ch);
      break;
    }
    case 3:
    case 4:
    case 5:
    case 6: ed.model.KeyDown(kKeys[pick(std::size(kKeys))]); break;
    case 7: {
      std::u32string text;
      for (std::size_t i = 0, n = 1 + pick(20); i < n; ++i) text += pick(5) == 0 ? U'\n' : char32_t(kTyped[pick(15)]);
      ed.model.Paste(text);
      break;
    }
    case 8: Load(ed.model, *ed.e, ed.view, "AB+ "[pick(4)], pick(2) == 0); break;
    default:
      ed.e->FormulaMode ^= 1;
      ed.view.CursorCol = ed.view.CursorRow = 0;
      ed.view.ScrollPos = 0;
      return false;
  }
  return true;
}

TEST(EditHistory, RandomEditsUndoToEveryEarlierStateAndRedoBack) {
  for (const unsigned seed : {1u, 2u, 3u, 42u, 2026u}) {
    Editor ed;
    std::mt19937 rng(seed);
    std::vector<EditorState> before;  // the state before each edit that changed something
    for (int i = 0; i < 150; ++i) {
      const EditorState s = ed.Now();
      if (RandomAction(ed, rng) && !s.SameContent(ed.Now())) before.push_back(s);
    }
    ASSERT_GT(before.size(), 40u) << "seed " << seed;
    ASSERT_EQ(ed.model.history().UndoSteps(), before.size()) << "seed " << seed;

    // k undos give the state before the k-th last edit: grids, mode, cursor.
    std::vector<EditorState> seen{ed.Now()};
    for (std::size_t k = 1; k <= before.size(); ++k) {
      ASSERT_TRUE(ed.model.Undo()) << "seed " << seed << " undo " << k;
      ASSERT_EQ(ed.Now(), before[before.size() - k]) << "seed " << seed << " undo " << k;
      seen.push_back(ed.Now());
    }
    EXPECT_FALSE(ed.model.Undo()) << "seed " << seed;
    EXPECT_EQ(ed.Now(), before.front());

    // Redo walks the same states back to the last one.
    for (std::size_t j = 1; j < seen.size(); ++j) {
      ASSERT_TRUE(ed.model.Redo()) << "seed " << seed << " redo " << j;
      ASSERT_EQ(ed.Now(), seen[seen.size() - 1 - j]) << "seed " << seed << " redo " << j;
    }
    EXPECT_FALSE(ed.model.Redo()) << "seed " << seed;
  }
}

TEST(EditHistory, WhatMakesAStep) {
  using Act = std::function<void(Editor&)>;
  auto type = [](const char* s) {
    return [s](Editor& ed) {
      for (const char* c = s; *c; ++c) ed.model.Type(*c);
    };
  };
  auto key = [](EditKey k) { return [k](Editor& ed) { ed.model.KeyDown(k); }; };
  const struct {
    const char* name;
    Act setup;      // done first, then the history forgotten
    Act act;        // what is counted
    std::size_t steps;
  } cases[] = {
      {"each typed character is a step", [](Editor&) {}, type("A+B"), 3},
      {"a paste of several lines is one step", [](Editor&) {},
       [](Editor& ed) { ed.model.Paste(U"A+B\nC.D\n/E"); }, 1},
      {"a table paste is one step", [](Editor& ed) { ed.e->FormulaMode = 0; },
       [](Editor& ed) { ed.model.Paste(U"AB\n10\n01"); }, 1},
      {"cursor keys change nothing", type("A+B"),
       [](Editor& ed) {
         for (EditKey k : {EditKey::kLeft, EditKey::kHome, EditKey::kEnd, EditKey::kDown, EditKey::kInsert})
           ed.model.KeyDown(k);
       },
       0},
      {"Backspace in column 0 changes nothing", [](Editor&) {}, key(EditKey::kBackspace), 0},
      {"Delete, Backspace, Enter, Ctrl+N and Ctrl+Y are one step each",
       [](Editor& ed) {
         ed.model.Paste(U"ABC\nDEF\nGHI");
         ed.view.CursorCol = 3;
         ed.view.CursorRow = 0;
       },
       [](Editor& ed) {
         ed.model.KeyDown(EditKey::kBackspace);
         ed.model.KeyDown(EditKey::kHome);
         ed.model.KeyDown(EditKey::kDelete);
         ed.model.KeyDown(EditKey::kRight);
         ed.model.KeyDown(EditKey::kEnter);
         ed.model.KeyDown(EditKey::kOpenLine);
         ed.model.KeyDown(EditKey::kDeleteLine);
       },
       5},
      {"a load is one step", type("A"), [](Editor& ed) { Load(ed.model, *ed.e, ed.view, 'B', false); }, 1},
      {"a load of what is there already is none", [](Editor& ed) { Load(ed.model, *ed.e, ed.view, 'C', true); },
       [](Editor& ed) { Load(ed.model, *ed.e, ed.view, 'C', true); }, 0},
  };
  for (const auto& c : cases) {
    Editor ed;
    c.setup(ed);
    ed.model.ClearHistory();
    const EditorState start = ed.Now();
    c.act(ed);
    EXPECT_EQ(ed.model.history().UndoSteps(), c.steps) << c.name;
    while (ed.model.Undo()) {
    }
    EXPECT_TRUE(ed.Now().SameContent(start)) << c.name;
  }
}

TEST(EditHistory, KeepsTheLast200StepsAndANewEditForgetsRedo) {
  Editor ed;
  std::vector<EditorState> before;
  for (int i = 0; i < 250; ++i) {
    before.push_back(ed.Now());
    ed.model.Type(static_cast<char>('A' + i % 26));
  }
  ASSERT_EQ(ed.model.history().UndoSteps(), EditHistory::kDepth);
  for (std::size_t k = 0; k < EditHistory::kDepth; ++k) ASSERT_TRUE(ed.model.Undo()) << k;
  EXPECT_FALSE(ed.model.Undo());
  EXPECT_EQ(ed.Now(), before[before.size() - EditHistory::kDepth]);

  ASSERT_TRUE(ed.model.Redo());
  ed.model.Type('Z');  // a new edit: what was undone cannot come back
  EXPECT_EQ(ed.model.history().RedoSteps(), 0u);
  EXPECT_FALSE(ed.model.Redo());
}

TEST(EditHistory, UndoBringsBackTheInputModeAndTableView) {
  Editor ed;
  ed.model.Type('A');
  ed.e->FormulaMode = 0;  // the mode button: no step
  ed.view.CursorRow = 20;
  ed.view.ScrollPos = 30;
  const EditorState beforeLoad = ed.Now();
  Load(ed.model, *ed.e, ed.view, 'X', true);
  ASSERT_TRUE(ed.model.Undo());
  EXPECT_EQ(ed.Now(), beforeLoad);
  EXPECT_EQ(ed.e->FormulaMode, 0);
  EXPECT_EQ(ed.view.ScrollPos, 30);
  ASSERT_TRUE(ed.model.Redo());
  EXPECT_EQ(ed.e->FormulaMode, 1);
  EXPECT_EQ(ed.e->FormulaGrid[5][5], 'X');
}

}  // namespace
}  // namespace tervo
