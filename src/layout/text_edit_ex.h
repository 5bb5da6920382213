// The page-layout edit object: the edit object with pages, columns, paper,
// page forms, headers and footers, marks and markups. Every edit object
// other code holds is one of these, made by KXTE_PageStylNew.
#pragma once

#include "layout/text_edit.h"

// Paper size, text area, printable area, columns, column gap and first page
// number of a text laid out into pages.
struct SKXPageStyl {};

class CKXTextEditEx : public CKXTextEdit {
 public:
  // The edit object over dest and view, with its page part set from page.
  CKXTextEditEx(const SKXPageStyl& page, const RectL& dest, const RectL& view) : CKXTextEdit(dest, view) {
    (void)page;
  }
  ~CKXTextEditEx() override = default;

  // Start-up and shut-down of the class-wide tables, the store's first.
  static void Initialize() { CKXTextEdit::Initialize(); }
  static void Terminate() { CKXTextEdit::Terminate(); }
};
