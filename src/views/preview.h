// The preview pane of pictures and texts: its image takes the picture's
// frame (or a page for text), so a scroller around it scrolls the preview.
// Picture data from files and the clipboard is checked for its header and
// frame before anything reads it; data that fails shows as no data.
#pragma once

#include <cstdint>

#include "platform/framework/view.h"
#include "platform/toolbox/pict.h"

constexpr OSType kKxPreviewPICT = FourCC("PICT");
constexpr OSType kKxPreviewTEXT = FourCC("TEXT");
constexpr OSType kKxPreviewReadOnly = FourCC("ttro");
constexpr OSType kKxPreviewDocument = FourCC(".KXT");
// The image of a text preview, each way.
constexpr std::int32_t kKxPreviewTextImage = 2047;

class KXPreview : public LView {
 public:
  explicit KXPreview(const KxLayoutPaneRecord& record);
  ~KXPreview() override;

  // Takes the handle (ownership passes; null clears) and its type, and sets
  // the image: a picture's frame, 2047 x 2047 for text, else the frame.
  void SetPreview(Handle data, OSType type);
  OSType GetPreviewType() const { return mType; }
  // The data the pane holds (null for none); it stays the pane's.
  Handle GetPreviewData() const { return mData; }
  // Whether the data was readable (a picture's pixels, or text).
  bool HasData() const { return mHasData; }
  void DrawSelf() override;

 private:
  void DrawTextPreview(const RectL& image);
  Handle mData = nullptr;
  OSType mType = 0;
  bool mHasData = false;
  KxPictPixels mPixels;   // a picture's pixels, read once when set
};

// Draws pixels with their top-left at (left, top) of the current port.
void KxDrawPictPixels(const KxPictPixels& pixels, std::int32_t left, std::int32_t top);
