#include "document/doc_file.h"

#include <vector>

#include "engine/text_flavors.h"

namespace {

constexpr OSType kRunFlavors[] = {kKxFlavorStyl, kKxFlavorDeco, kKxFlavorPara, kKxFlavorUniChars, kKxFlavorRubyInfo};

// The flavor that holds the text: the data file of the classic layout,
// "TEXT" 1 of the container.
OSType TextFlavor(const CKXTextFileTube& tube) {
  return tube.ResourceExists() ? kKxFlavorText : tube.GetFileType();
}

}  // namespace

short KxDocumentScript(const SKXDocument& doc) {
  return doc.text->GetLength() > 0 ? doc.text->GetScriptType(0) : short(1);
}

int KxReadDocument(const std::string& path, SKXDocument& doc, std::string& message) {
  CKXTextFileTube tube;
  if (int err = tube.OpenRead(path, message)) return err;
  doc.type = tube.GetFileType();
  doc.creator = tube.GetCreator();
  doc.layout = tube.ResourceExists() ? EKXLayout::kContainer : EKXLayout::kClassic;
  doc.notice = tube.Notice();
  // A stale or damaged sidecar still says the document was more than text.
  doc.plain = !tube.ResourceExists() && tube.ListStored().empty() && tube.Notice().empty();
  // Settings before the text, applied after it.
  ReadDocPref(tube, doc.settings);

  std::vector<std::uint8_t> bytes;
  tube.GetFlavorData(TextFlavor(tube), bytes);
  CKXTextFlavorReader reader;
  reader.SetText(bytes.data(), long(bytes.size()));
  for (OSType type : kRunFlavors) {
    if (!tube.FlavorExists(type) || !tube.GetFlavorData(type, bytes)) continue;
    reader.ReadFlavor(type, bytes.data(), long(bytes.size()));
  }
  std::vector<KxFlavorBytes> pictures;
  // Every picture the decorations may name, in order; a run naming one
  // that is not there loses its picture.
  while (tube.PictureExists() && pictures.size() < 0x7FFF) {
    KxFlavorBytes pict;
    tube.GetFlavorData(kKxFlavorPict, pict);
    pictures.push_back(std::move(pict));
  }
  reader.SetPictureFetch(KxPicturesFromList(pictures));
  doc.text = std::make_unique<CKXText>();
  reader.InsertInto(*doc.text, 0);

  const long length = doc.text->GetLength();
  std::vector<std::uint8_t> plain(std::size_t(length) + 1, 0);
  doc.text->GetText(reinterpret_cast<char*>(plain.data()), length, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  AdjustDocPref(doc.settings, plain.data(), length, KxDocumentScript(doc));
  return 0;
}

int KxWriteDocument(const std::string& path, const SKXDocument& doc, EKXLayout layout, std::string& message,
                    int backupGenerations) {
  CKXTextFileTube tube;
  if (int err = tube.OpenWrite(path, doc.type, doc.creator, layout, message)) return err;
  const CKXText& text = *doc.text;
  CKXTextFlavorWriter writer(text, 0, text.GetLength());
  KxFlavorBytes bytes;
  writer.MakeText(bytes);
  tube.PutFlavor(TextFlavor(tube), bytes.data(), long(bytes.size()));
  if (doc.plain && layout == EKXLayout::kClassic) {
    DeleteDocPref(tube);
    return tube.Commit(message, backupGenerations);
  }
  if (tube.GetFileType() != FourCC("RTF ")) {
    std::vector<KxFlavorBytes> pictures;
    for (OSType type : kRunFlavors) {
      const EKXFlavorMake made = type == kKxFlavorDeco ? writer.MakeDeco(bytes, EKXPictureRefs::kSequence, &pictures)
                                                        : writer.MakeFlavor(type, bytes);
      if (made == EKXFlavorMake::kTooMany) {
        message = "The document has more runs than a file can hold (32767).";
        return EOVERFLOW;
      }
      if (made == EKXFlavorMake::kMade) tube.PutFlavor(type, bytes.data(), long(bytes.size()));
    }
    for (const KxFlavorBytes& pict : pictures) tube.PutFlavor(kKxFlavorPict, pict.data(), long(pict.size()));
  }
  const std::string err = WriteDocPref(tube, doc.settings);
  if (!err.empty()) {
    message = err;
    return EOVERFLOW;
  }
  return tube.Commit(message, backupGenerations);
}
