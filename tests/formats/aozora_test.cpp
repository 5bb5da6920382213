#include <gtest/gtest.h>
#include <iconv.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/test_main.h"
#include "formats/aozora.h"
#include "formats/aozora_jisx0213.h"
#include "platform/fonts.h"
#include "text/store/text.h"

namespace {

std::string Iconv(const std::string& in, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  char* dst = out.data();
  size_t inLeft = in.size(), outLeft = out.size();
  const size_t r = iconv(cd, &src, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return "<invalid>";
  out.resize(out.size() - outLeft);
  return out;
}
std::string S(const std::string& utf8) { return Iconv(utf8, "CP932", "UTF-8"); }

constexpr long kUnit = 12;

SKXAozoraText Convert(const std::string& utf8, bool unicode = true, bool* any = nullptr) {
  SKXAozoraText t;
  t.bytes = S(utf8);
  const bool converted = KxAozoraConvert(t, kUnit, unicode);
  if (any) *any = converted;
  return t;
}
std::string Ruby(const SKXAozoraText& t, size_t k) { return std::string(t.rubys[k].text, t.rubys[k].rubyLen); }
std::string Base(const SKXAozoraText& t, size_t k) { return t.bytes.substr(t.rubys[k].pos, t.rubys[k].baseLen); }

TEST(Aozora, PlainTextAndEmptyTextStayAsTheyAre) {
  bool any = true;
  EXPECT_EQ(Convert("", true, &any).bytes, "");
  EXPECT_FALSE(any);
  EXPECT_EQ(Convert("本文だけ\r二行目", true, &any).bytes, S("本文だけ\r二行目"));
  EXPECT_FALSE(any);
}

TEST(Aozora, RubyTakesTheKanjiRunOrTheBarredBase) {
  SKXAozoraText t = Convert("漢字《かんじ》、これは｜本当《ほんとう》。市ヶ谷《いちがや》");
  EXPECT_EQ(t.bytes, S("漢字、これは本当。市ヶ谷"));
  ASSERT_EQ(t.rubys.size(), 3u);
  EXPECT_EQ(Base(t, 0), S("漢字"));
  EXPECT_EQ(Ruby(t, 0), S("かんじ"));
  EXPECT_EQ(Base(t, 1), S("本当"));
  EXPECT_EQ(Base(t, 2), S("谷"));
  // Empty ruby, no base, a ruby text across a line end: nothing changes.
  for (const char* keep : {"漢字《》", "かな《かな》", "漢字《か\rな》"}) {
    t = Convert(keep);
    EXPECT_EQ(t.bytes, S(keep)) << keep;
    EXPECT_TRUE(t.rubys.empty());
  }
}

TEST(Aozora, RubyBeyondTheLimitsKeepsItsNotation) {
  const std::string longRuby = "漢《" + std::string(31, 'a') + "》";
  std::string longBase = "｜";
  for (int k = 0; k < 64; ++k) longBase += "亜";  // 128 bytes
  longBase += "《あ》";
  for (const std::string& keep : {longRuby, longBase}) {
    SKXAozoraText t = Convert(keep);
    EXPECT_EQ(t.bytes, S(keep));
    EXPECT_TRUE(t.rubys.empty());
  }
  SKXAozoraText t = Convert("漢《" + std::string(30, 'a') + "》");
  ASSERT_EQ(t.rubys.size(), 1u);
  EXPECT_EQ(t.rubys[0].rubyLen, 30);
}

TEST(Aozora, CharacterNotesByPlaneRowCell) {
  SKXAozoraText t = Convert("※［＃「亜」、第3水準1-16-1］※［＃ローマ数字1、1-13-21］");
  EXPECT_EQ(t.bytes, "\x88\x9F" + S("Ⅰ"));
  // Additions outside Shift_JIS: a placeholder with its side entry; plane 2
  // beyond the BMP as a surrogate pair; a letter with a combining mark.
  t = Convert("※［＃「てへん＋劣」、第3水準1-84-77］※［＃「口＋七」、第4水準2-1-1］※［＃か゜、1-4-87］");
  EXPECT_EQ(t.bytes, "\x81\xFC\x81\xFC" + S("か") + "\x81\xFC");
  ASSERT_EQ(t.uniChars.size(), 3u);
  char32_t cp[2];
  ASSERT_EQ(KxJISX0213ToUnicode(1, 84, 77, cp), 1);
  EXPECT_EQ(t.uniChars[0].value, static_cast<std::uint32_t>(cp[0]));
  EXPECT_EQ(t.uniChars[1].offset, 2);
  EXPECT_EQ(t.uniChars[1].value >> 16 & 0xFC00, 0xD800u);
  EXPECT_EQ(t.uniChars[2].value, 0x309Au);
  // Out of range or unreachable numbers, or none: the note stays.
  for (const char* keep : {"※［＃「x」、1-95-1］", "※［＃「x」、2-2-1］", "※［＃「x」、3-1-1］", "※［＃「x」、1-1］",
                           "※［＃「口＋世」、U+546D、ページ数-行数］"}) {
    EXPECT_EQ(Convert(keep).bytes, S(keep)) << keep;
  }
  // Without Unicode, three exclamation marks as horizontal-in-vertical text.
  t = Convert("※［＃感嘆符三つ、1-8-75］", false);
  EXPECT_EQ(t.bytes, "!!!");
  ASSERT_EQ(t.tateChuYoko.size(), 1u);
  EXPECT_EQ(t.tateChuYoko[0].end, 3);
}

TEST(Aozora, BreaksKeepTheRestOfTheirLine) {
  SKXAozoraText t = Convert("前［＃改ページ］後ろ\r［＃改丁］\r次");
  EXPECT_EQ(t.bytes, S("前") + "\f\r" + S("後ろ") + "\r\f\r" + S("次"));
}

TEST(Aozora, RepetitionMarksBecomePlaceholders) {
  SKXAozoraText t = Convert("時／＼、時／″＼");
  ASSERT_EQ(t.uniChars.size(), 4u);
  EXPECT_EQ(t.uniChars[0].value, 0x3033u);
  EXPECT_EQ(t.uniChars[1].value, 0x3035u);
  EXPECT_EQ(t.uniChars[2].value, 0x3034u);
  EXPECT_EQ(Convert("時／＼", false).bytes, S("時／＼"));
}

TEST(Aozora, EmphasisSicAndHorizontalNotes) {
  SKXAozoraText t = Convert("可能［＃「可能」に傍点］と吹喋［＃「喋」はママ］、Ｂ29［＃「29」は縦中横］");
  EXPECT_EQ(t.bytes, S("可能と吹喋、Ｂ29"));
  ASSERT_EQ(t.rubys.size(), 3u);
  EXPECT_EQ(Ruby(t, 0), S("ヽ"));
  EXPECT_EQ(Base(t, 1), S("能"));
  EXPECT_EQ(Ruby(t, 2), S("ママ"));
  EXPECT_EQ(Base(t, 2), S("喋"));
  ASSERT_EQ(t.tateChuYoko.size(), 1u);
  EXPECT_EQ(t.bytes.substr(t.tateChuYoko[0].start, 2), "29");
  // X must stand right before the note (other notes deleted there aside);
  // the note goes either way.
  t = Convert("責［＃「責」に丸傍点］［＃「責」は縦中横］、他［＃「責」に傍点］");
  EXPECT_EQ(t.bytes, S("責、他"));
  EXPECT_EQ(t.rubys.size(), 1u);
  EXPECT_EQ(t.tateChuYoko.size(), 1u);
}

TEST(Aozora, EmphasisAndSicKeepAReading) {
  SKXAozoraText t = Convert("来《き》た［＃「来た」に白丸傍点］、大空《おおぞら》［＃「大空」に「ママ」の注記］");
  ASSERT_EQ(t.rubys.size(), 3u);
  EXPECT_EQ(Ruby(t, 0), S("き"));
  EXPECT_EQ(Base(t, 1), S("た"));
  EXPECT_EQ(Ruby(t, 1), S("○"));
  EXPECT_EQ(Ruby(t, 2), S("おおぞら"));
}

std::vector<SKXPara> Paras(const SKXAozoraText& t) { return KxAozoraParaRuns(t); }

TEST(Aozora, BlockIndentsRemoveOnlyTheirNotes) {
  SKXAozoraText t = Convert("前\r［＃ここから２字下げ］\r一\r二\r［＃ここで字下げ終わり］\r後");
  EXPECT_EQ(t.bytes, S("前\r一\r二\r後"));
  std::vector<SKXPara> p = Paras(t);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[1].offset, 3);
  EXPECT_EQ(p[1].para.firstIndent, 2 * kUnit);
  EXPECT_EQ(p[1].para.leftIndent, 2 * kUnit);
  EXPECT_EQ(p[2].offset, 9);
  // Text on a note's line stays; another kind of "ここから" note does not end
  // the block, the next indent note does.
  t = Convert("［＃ここから改行天付き、折り返して１字下げ］頭\r［＃ここから太字］\r中\r"
              "［＃ここから３字下げ、折り返して４字下げ］\r末\r［＃ここで字下げ終わり］");
  EXPECT_EQ(t.bytes, S("頭\r\r中\r末\r"));
  p = Paras(t);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].para.firstIndent, 0);
  EXPECT_EQ(p[0].para.leftIndent, kUnit);
  EXPECT_EQ(p[1].offset, 7);
  EXPECT_EQ(p[1].para.firstIndent, 3 * kUnit);
  EXPECT_EQ(p[1].para.leftIndent, 4 * kUnit);
  // Without an end the block is left alone (its note then goes as any other).
  t = Convert("［＃ここから２字下げ］\r本文");
  EXPECT_EQ(t.bytes, S("\r本文"));
  EXPECT_TRUE(Paras(t).empty());
}

TEST(Aozora, OneParagraphIndentAndBottomAlignment) {
  SKXAozoraText t = Convert("［＃天から３字下げ］本文\r署名［＃地から１字上げ］日付\r［＃地付き］終");
  EXPECT_EQ(t.bytes, S("本文\r署名\r日付　\r終"));
  std::vector<SKXPara> p = Paras(t);
  ASSERT_EQ(p.size(), 3u);  // the last two paragraphs share one run
  EXPECT_EQ(p[0].para.firstIndent, 3 * kUnit);
  EXPECT_EQ(p[0].para.leftIndent, 0);
  EXPECT_EQ(p[1].para.justify, 0);
  EXPECT_EQ(p[2].offset, 10);
  EXPECT_EQ(p[2].para.justify, 2);
}

TEST(Aozora, OnlyTheHeadBlockOfHyphenLinesGoes) {
  const std::string dashes(55, '-');
  SKXAozoraText t = Convert("題\r" + dashes + "\r《》：ルビ\r" + dashes + "\r本文\r" + dashes + "\r残る\r" + dashes);
  EXPECT_EQ(t.bytes, S("題\r本文\r" + dashes + "\r残る\r" + dashes));
  // A title with a reading and an author with a described character come
  // before the block: it goes all the same, examples and all.
  t = Convert("吾輩《わがはい》\r森※［＃「區＋鳥」、第3水準1-94-69］外\r" + dashes +
              "\r（例）［＃ここから３字下げ］\r" + dashes + "\r本文");
  const std::string tail = S("外\r本文");
  ASSERT_GE(t.bytes.size(), tail.size());
  EXPECT_EQ(t.bytes.substr(t.bytes.size() - tail.size()), tail);
  EXPECT_EQ(t.paras.size(), 0u);
}

TEST(Aozora, RemainingNotesGoButUnconvertedCharacterNotesStay) {
  SKXAozoraText t = Convert("見出し［＃「見出し」は大見出し］※［＃「x」、U+1］［＃未閉じ");
  EXPECT_EQ(t.bytes, S("見出し※［＃「x」、U+1］［＃未閉じ"));
}

TEST(Aozora, TextObjectTakesTheWholeResult) {
  KxFontInstallBackend(KxSyntheticFontBackend());
  CKXText text;
  SStyl style{};
  style.font = 1;
  style.size = 12;
  const std::string in = S("［＃ここから２字下げ］\r漢字《かんじ》Ｂ29［＃「29」は縦中横］\r［＃ここで字下げ終わり］\r後");
  EXPECT_EQ(ConvertAozoraTextWithTextRef(&text, in.data(), static_cast<long>(in.size()), &style), 1);
  EXPECT_EQ(text.GetLength(), 11);
  EXPECT_EQ(text.GetRubysCount(), 1);
  SKXPara paras[4];
  ASSERT_EQ(text.GetParas(paras, 4), 2);
  EXPECT_EQ(paras[0].para.leftIndent, 2 * KxAozoraIndentUnit(1, 12));
  EXPECT_EQ(paras[1].offset, 9);
  SKXDeco decos[4];
  ASSERT_EQ(text.GetDecos(decos, 4), 3);
  EXPECT_EQ(decos[1].offset, 6);
  EXPECT_EQ(decos[1].deco.flags, 0x08);
  EXPECT_EQ(ConvertAozoraTextWithTextRef(&text, in.data(), 0, &style), 0);
}

// Every plane, row and cell against the C library's converters.
TEST(Aozora, PlaneRowCellAgreesWithIconv) {
  long checked = 0, in0208 = 0;
  for (long plane = 1; plane <= 2; ++plane)
    for (long row = 1; row <= 94; ++row)
      for (long cell = 1; cell <= 94; ++cell) {
        std::string euc{static_cast<char>(row + 0xA0), static_cast<char>(cell + 0xA0)};
        if (plane == 2) euc.insert(euc.begin(), '\x8F');
        const std::string sjis = Iconv(euc, "SHIFT_JISX0213", "EUC-JISX0213");
        const std::uint16_t code = KxJISX0213ToSJIS(plane, row, cell);
        if (sjis != "<invalid>" && sjis.size() == 2) {
          EXPECT_EQ(code, (static_cast<unsigned char>(sjis[0]) << 8 | static_cast<unsigned char>(sjis[1])))
              << plane << "-" << row << "-" << cell;
          ++checked;
        }
        if (plane == 1) {
          const std::string jis = Iconv(euc, "SHIFT_JIS", "EUC-JP");
          const bool has = jis != "<invalid>";
          EXPECT_EQ(KxJISX0208HasCell(row, cell), has) << row << "-" << cell;
          if (has) {
            EXPECT_EQ(jis, std::string({static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)}));
            ++in0208;
          }
        }
      }
  EXPECT_GT(checked, 11000);
  EXPECT_EQ(in0208, 6879);
  EXPECT_EQ(KxJISX0213ToSJIS(2, 2, 1), 0);
  EXPECT_EQ(KxJISX0213ToSJIS(1, 95, 1), 0);
}

TEST(Aozora, NotationExamplesConvert) {
  std::ifstream f(KxSharedDir() + "/data/aozora/notation-examples.sjis.txt", std::ios::binary);
  ASSERT_TRUE(f);
  const std::string raw((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  SKXAozoraText t;
  for (size_t i = 0; i < raw.size(); ++i)
    if (raw[i] != '\n') t.bytes += raw[i];
  const std::string body = t.bytes.substr(t.bytes.find(S("［＃ここから２字下げ］")));
  auto count = [](const std::string& s, const std::string& m) {
    long c = 0;
    for (size_t p = s.find(m); p != std::string::npos; p = s.find(m, p + m.size())) ++c;
    return c;
  };
  ASSERT_TRUE(KxAozoraConvert(t, kUnit, true));
  const std::string& out = t.bytes;
  // Only character notes that name no character stay, and the bracketed text
  // that is no note.
  EXPECT_EQ(count(out, S("［＃")), 2);
  EXPECT_EQ(count(out, S("※［＃")), 2);
  // Every 《》 pair with a base became a ruby; two have none (after "〕" and
  // after "ので"); the sic notes added theirs.
  long marks = 0;
  for (const char* e : {"に傍点", "に白ゴマ傍点", "に丸傍点", "に白丸傍点", "に二重丸傍点", "に黒三角傍点",
                        "に白三角傍点", "に蛇の目傍点"})
    marks += count(body, S(std::string("」") + e + "］"));
  long readings = 0;
  for (const SKXRuby& r : t.rubys) {
    const std::string text(r.text, r.rubyLen);
    readings += text != S("ヽ") && text != S("●") && text != S("○") && text != S("◎") && text != S("▲") &&
                text != S("△");
  }
  const long sic = 3;  // 喋, 大空文庫 and 広場へに
  EXPECT_EQ(readings, count(body, S("《")) - 2 + sic);
  EXPECT_EQ(t.emphasisNotes, marks - 1);  // 皆身 keeps its reading on both characters
  EXPECT_EQ(count(out, S("《エチュード》")), 1);
  // Breaks: one per break note, each on a paragraph of its own.
  const long breakNotes = count(body, S("［＃改丁］")) + count(body, S("［＃改ページ］")) + count(body, S("［＃改段］"));
  EXPECT_EQ(count(out, "\f\r"), breakNotes);
  EXPECT_EQ(count(out, "\r\f\r"), breakNotes);
  // Indents and bottom alignment on the expected paragraphs.
  const std::vector<SKXPara> paras = KxAozoraParaRuns(t);
  auto styleOf = [&](const std::string& start) {
    const long at = static_cast<long>(out.find("\r" + S(start))) + 1;
    SParaStyl p{};
    for (const SKXPara& r : paras)
      if (r.offset <= at) p = r.para;
    return p;
  };
  EXPECT_EQ(styleOf("白は大正七年").firstIndent, 5 * kUnit);
  EXPECT_EQ(styleOf("　　大正十二年").leftIndent, 5 * kUnit);
  EXPECT_EQ(styleOf("一　余死せば").firstIndent, 0);
  EXPECT_EQ(styleOf("一　余死せば").leftIndent, kUnit);
  EXPECT_EQ(styleOf("右之通").leftIndent, 0);
  EXPECT_EQ(styleOf("私の文学上の").leftIndent, 4 * kUnit);
  EXPECT_EQ(styleOf("（明治七年三月出版）").justify, 2);
  EXPECT_EQ(styleOf("　九鬼周造").leftIndent, 0);
  EXPECT_NE(out.find(S("（明治七年三月出版）　\r")), std::string::npos);
}

}  // namespace
