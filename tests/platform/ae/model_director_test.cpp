// Resolution of specifiers against the tree model: every key form, errors,
// laziness, and specifiers made by objects resolving back to them.
#include "platform/ae/model_director.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/ae/specifier.h"
#include "tree_model.h"

using namespace tree;

namespace {

// Resolves and returns the names, or "error N".
std::string Resolve(const AEDesc& specifier) {
  try {
    LModelToken token;
    LModelDirector::Resolve(specifier, token);
    return (token.IsList() ? "list:" : "") + Names(token);
  } catch (const LException& e) {
    return "error " + std::to_string(e.GetErrorCode());
  }
}

AEDesc Cmp(OSType op, const AEDesc& a, const AEDesc& b) { return AEMakeComparison(op, a, b); }

AEDesc Terms(std::initializer_list<AEDesc> terms) {
  AEDesc list = AEDesc::MakeList();
  for (const AEDesc& t : terms) list.Append(t);
  return list;
}

}  // namespace

TEST(ModelDirector, ResolvesEveryKeyForm) {
  Fixture f;
  const AEDesc docs = Folder("docs");
  const AEDesc ccnt = AEMakeCurrentContainer();
  const AEDesc nameIs = PropOfExamined(pName);
  const AEDesc sizeOf = PropOfExamined(pSize);
  struct Case {
    const char* what;
    AEDesc specifier;
    std::string expect;
  } cases[] = {
      {"index", ItemIn(docs, 2), "b"},
      {"last by -1", ItemIn(docs, -1), "d"},
      {"first by -count", ItemIn(docs, -4), "a"},
      {"index 0", ItemIn(docs, 0), "error -1728"},
      {"past the end", ItemIn(docs, 5), "error -1728"},
      {"before the first", ItemIn(docs, -5), "error -1728"},
      {"index as text", AEMakeObjectSpecifier(cItem, docs, formAbsolutePosition, AEDesc::FromText("3")), "c"},
      {"index not a number", AEMakeObjectSpecifier(cItem, docs, formAbsolutePosition, AEDesc::FromText("x")),
       "error -1700"},
      {"first", AEMakeOrdinalSpecifier(cItem, docs, kAEFirst), "a"},
      {"last", AEMakeOrdinalSpecifier(cItem, docs, kAELast), "d"},
      {"middle", AEMakeOrdinalSpecifier(cItem, docs, kAEMiddle), "b"},
      {"all", AEMakeOrdinalSpecifier(cItem, docs, kAEAll), "list:a,b,c,d"},
      {"all of none", AEMakeOrdinalSpecifier(cFolder, Folder("misc"), kAEAll), "list:"},
      {"first of none", AEMakeOrdinalSpecifier(cFolder, Folder("misc"), kAEFirst), "error -1728"},
      {"unknown ordinal", AEMakeOrdinalSpecifier(cItem, docs, FourCC("zzzz")), "error -10002"},
      {"name", AEMakeNameSpecifier(cItem, docs, "c"), "c"},
      {"missing name", AEMakeNameSpecifier(cItem, docs, "zz"), "error -1728"},
      {"nested container", ItemIn(AEMakeNameSpecifier(cFolder, docs, "sub"), 2), "ab"},
      {"elements of every folder",
       AEMakeOrdinalSpecifier(cItem, AEMakeOrdinalSpecifier(cFolder, AEDesc(), kAEAll), kAEFirst), "list:a,x"},
      {"range", AEMakeRangeSpecifier(cItem, docs, ItemIn(ccnt, 2), ItemIn(ccnt, 4)), "list:b,c,d"},
      {"range reversed", AEMakeRangeSpecifier(cItem, docs, ItemIn(ccnt, 3), ItemIn(ccnt, 1)), "list:a,b,c"},
      {"range by ordinals",
       AEMakeRangeSpecifier(cItem, docs, AEDesc::FromCode(typeAbsoluteOrdinal, kAEFirst),
                            AEDesc::FromCode(typeAbsoluteOrdinal, kAELast)),
       "list:a,b,c,d"},
      {"range by bare indices", AEMakeRangeSpecifier(cItem, docs, AEDesc::FromLong(-2), AEDesc::FromLong(-1)),
       "list:c,d"},
      {"range by name", AEMakeRangeSpecifier(cItem, docs, AEMakeNameSpecifier(cItem, ccnt, "b"), ItemIn(ccnt, 2)),
       "list:b"},
      {"range end missing", AEMakeRangeSpecifier(cItem, docs, ItemIn(ccnt, 2), ItemIn(ccnt, 9)), "error -1728"},
      {"current container outside a range", ItemIn(ccnt, 1), "error -1728"},
      {"next", AEMakeRelativeSpecifier(cItem, ItemIn(docs, 2), kAENext), "c"},
      {"previous", AEMakeRelativeSpecifier(cItem, ItemIn(docs, 2), kAEPrevious), "a"},
      {"previous of first", AEMakeRelativeSpecifier(cItem, ItemIn(docs, 1), kAEPrevious), "error -1728"},
      {"next of last", AEMakeRelativeSpecifier(cItem, ItemIn(docs, -1), kAENext), "error -1728"},
      {"relative of application", AEMakeRelativeSpecifier(cItem, AEDesc(), kAENext), "error -1728"},
      {"bad relative position", AEMakeRelativeSpecifier(cItem, ItemIn(docs, 1), kAEBefore), "error -10002"},
      {"whose =", AEMakeTestSpecifier(cItem, docs, Cmp(kAEEquals, nameIs, AEDesc::FromText("c"))), "list:c"},
      {"whose >", AEMakeTestSpecifier(cItem, docs, Cmp(kAEGreaterThan, sizeOf, AEDesc::FromLong(2))), "list:c,d"},
      {"whose value first",
       AEMakeTestSpecifier(cItem, docs, Cmp(kAEGreaterThan, AEDesc::FromLong(2), sizeOf)), "list:a"},
      {"whose and",
       AEMakeTestSpecifier(cItem, docs,
                           AEMakeLogical(kAEAND, Terms({Cmp(kAEGreaterThanEquals, sizeOf, AEDesc::FromLong(2)),
                                                        Cmp(kAELessThan, nameIs, AEDesc::FromText("d"))}))),
       "list:b,c"},
      {"whose or",
       AEMakeTestSpecifier(cItem, docs,
                           AEMakeLogical(kAEOR, Terms({Cmp(kAEEquals, nameIs, AEDesc::FromText("a")),
                                                       Cmp(kAEEquals, sizeOf, AEDesc::FromLong(4))}))),
       "list:a,d"},
      {"whose not",
       AEMakeTestSpecifier(cItem, docs,
                           AEMakeLogical(kAENOT, Terms({Cmp(kAELessThanEquals, sizeOf, AEDesc::FromLong(3))}))),
       "list:d"},
      {"whose not of two terms",
       AEMakeTestSpecifier(cItem, docs, AEMakeLogical(kAENOT, Terms({Cmp(kAEEquals, sizeOf, AEDesc::FromLong(1)),
                                                                     Cmp(kAEEquals, sizeOf, AEDesc::FromLong(2))}))),
       "error -1708"},
      {"whose nested not and or",
       AEMakeTestSpecifier(
           cItem, AEMakeOrdinalSpecifier(cFolder, AEDesc(), kAEAll),
           AEMakeLogical(kAENOT, Terms({AEMakeLogical(kAEOR, Terms({Cmp(kAEBeginsWith, nameIs, AEDesc::FromText("a")),
                                                                    Cmp(kAEEquals, nameIs, AEDesc::FromText("b"))}))}))),
       "list:c,d,x"},
      {"whose none pass", AEMakeTestSpecifier(cItem, docs, Cmp(kAEEquals, nameIs, AEDesc::FromText("q"))), "list:"},
      {"whose compares the element itself",
       AEMakeTestSpecifier(cChar, ItemIn(AEMakeNameSpecifier(cFolder, docs, "sub"), 2),
                           Cmp(kAEEquals, AEMakeObjectBeingExamined(), AEDesc::FromText("b"))),
       "list:b"},
      {"whose with an unknown operator",
       AEMakeTestSpecifier(cItem, docs, Cmp(FourCC("~~~~"), nameIs, AEDesc::FromText("a"))), "error -1708"},
      {"whose with a missing property",
       AEMakeTestSpecifier(cItem, docs, Cmp(kAEEquals, PropOfExamined(FourCC("zzzz")), AEDesc::FromLong(1))),
       "error -1728"},
      {"whose text against number",
       AEMakeTestSpecifier(cItem, docs, Cmp(kAELessThan, nameIs, AEDesc::FromLong(1))), "error -1700"},
      {"characters of an item", AEMakeOrdinalSpecifier(cChar, ItemIn(AEMakeNameSpecifier(cFolder, docs, "sub"), 2), kAEAll),
       "list:a,b"},
      {"unknown key form", AEMakeObjectSpecifier(cItem, docs, FourCC("ID  "), AEDesc::FromLong(1)), "error -1708"},
      {"container not a specifier", AEMakeObjectSpecifier(cItem, AEDesc::FromLong(3), formAbsolutePosition,
                                                          AEDesc::FromLong(1)),
       "error -1700"},
      {"element class the container lacks", AEMakeIndexSpecifier(FourCC("zzzz"), docs, 1), "error -1728"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Resolve(c.specifier), c.expect) << c.what;
    EXPECT_EQ(sLive, 0) << c.what;
  }
}

TEST(ModelDirector, MalformedSpecifiersAreErrors) {
  Fixture f;
  AEDesc noSeld = ItemIn(Folder("docs"), 1);
  noSeld.DeleteKey(keyAEKeyData);
  AEDesc formAsText = ItemIn(Folder("docs"), 1);
  formAsText.PutKeyDesc(keyAEKeyForm, AEDesc::FromText("indx"));
  AEDesc plainRecord = ItemIn(Folder("docs"), 1);
  plainRecord.SetRecordType(typeAERecord);
  AEDesc rangeNotRange = AEMakeObjectSpecifier(cItem, Folder("docs"), formRange, AEDesc::FromLong(1));
  AEDesc testNotTest = AEMakeTestSpecifier(cItem, Folder("docs"), AEDesc::FromLong(1));
  EXPECT_EQ(Resolve(noSeld), "error -1701");
  EXPECT_EQ(Resolve(formAsText), "error -1700");
  EXPECT_EQ(Resolve(plainRecord), "error -1700");
  EXPECT_EQ(Resolve(rangeNotRange), "error -1700");
  EXPECT_EQ(Resolve(testNotTest), "error -1700");

  // Nesting deeper than the resolver follows is refused, not followed.
  AEDesc deep;
  for (int i = 0; i < 3 * kAEMaxResolveDepth; ++i) deep = ItemIn(deep, 1);
  EXPECT_EQ(Resolve(deep), "error -1702");
  AEDesc test = Cmp(kAEEquals, PropOfExamined(pName), AEDesc::FromText("a"));
  for (int i = 0; i < 3 * kAEMaxResolveDepth; ++i) test = AEMakeLogical(kAENOT, Terms({test}));
  EXPECT_EQ(Resolve(AEMakeTestSpecifier(cItem, Folder("docs"), test)), "error -1702");
  EXPECT_EQ(sLive, 0);
}

TEST(ModelDirector, ObjectsNameThemselves) {
  Fixture f;
  // Every object's own specifier resolves back to it.
  std::vector<LModelObject*> all;
  std::function<void(Node*)> walk = [&](Node* n) {
    all.push_back(n);
    for (DescType k : {cItem, cFolder})
      for (Node* c : n->Children(k)) walk(c);
  };
  walk(&f.app);
  for (LModelObject* o : all) {
    AEDesc specifier;
    o->MakeSpecifier(specifier);
    LModelToken token;
    LModelDirector::Resolve(specifier, token);
    EXPECT_EQ(token.Single(), o);
    // And survives the flat form.
    LModelToken again;
    LModelDirector::Resolve(AEUnflattenDesc(AEFlattenDesc(specifier)), again);
    EXPECT_EQ(again.Single(), o);
  }
}

TEST(ModelDirector, LazyObjectsLiveAsLongAsTheirUsers) {
  Fixture f;
  AEDesc ab = ItemIn(AEMakeNameSpecifier(cFolder, Folder("docs"), "sub"), 2);
  {
    LModelToken chars;
    LModelDirector::Resolve(AEMakeOrdinalSpecifier(cChar, ab, kAEAll), chars);
    EXPECT_EQ(sLive, 2);
    LModelToken copy = chars;
    chars.Clear();
    EXPECT_EQ(sLive, 2);   // the copy still holds them
    EXPECT_EQ(Names(copy), "a,b");
  }
  EXPECT_EQ(sLive, 0);
  {
    // A property of a lazy character keeps the character alive.
    LModelToken prop;
    LModelDirector::Resolve(AEMakePropertySpecifier(pContents, AEMakeIndexSpecifier(cChar, ab, -1)), prop);
    EXPECT_EQ(sLive, 1);
    AEDesc value;
    auto* property = dynamic_cast<LModelProperty*>(prop.Single());
    ASSERT_NE(property, nullptr);
    AppleEvent get(kAECoreSuite, kAEGetData), reply = AppleEvent::MakeReply();
    property->HandleAppleEvent(get, reply, value, kAENumGetData);
    EXPECT_EQ(value.AsText(), "b");
  }
  EXPECT_EQ(sLive, 0);
  // A failed resolution frees what it made on the way.
  AEDesc bad = AEMakeIndexSpecifier(cChar, AEMakeOrdinalSpecifier(cChar, ab, kAEAll), 1);
  EXPECT_EQ(Resolve(bad), "error -1728");
  EXPECT_EQ(sLive, 0);
}

TEST(ModelDirector, ManyObjectsAreCollectedAndHandedOverWithoutCopies) {
  // Every character of a long name (with a new block or a copy per object
  // this takes minutes); the token moves to the caller with its uses.
  Fixture f;
  constexpr long kCount = 200000;
  f.misc->Add(cItem, std::string(kCount, 'z'));
  {
    LModelToken chars;
    LModelDirector::Resolve(AEMakeOrdinalSpecifier(cChar, ItemIn(Folder("misc"), 2), kAEAll), chars);
    LModelToken moved = std::move(chars);
    EXPECT_EQ(long(moved.Count()), kCount);
    EXPECT_EQ(sLive, kCount);
  }
  EXPECT_EQ(sLive, 0);
}
