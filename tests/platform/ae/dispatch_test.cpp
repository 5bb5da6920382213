// Events through the director's table: object-model events against the tree
// model (count, exists, get and set data, create, delete, clone, move), the
// required events, and the program's own events with the same path.
#include <gtest/gtest.h>

#include "platform/ae/model_director.h"
#include "platform/ae/required_events.h"
#include "tree_model.h"

using namespace tree;

namespace {

struct Result {
  OSStatus err;
  AEDesc value;
};

Result Send(LModelDirector& director, AEEventClass cls, AEEventID id, std::initializer_list<std::pair<AEKeyword, AEDesc>> params) {
  AppleEvent event(cls, id);
  for (auto& [key, desc] : params) event.PutParamDesc(key, desc);
  AppleEvent reply = AppleEvent::MakeReply();
  OSStatus err = director.Dispatch(event, reply);
  EXPECT_EQ(err, reply.GetErrorNumber());
  const AEDesc* direct = reply.GetParams().FindKey(keyDirectObject);
  return {err, direct ? *direct : AEDesc()};
}

AEDesc Type(DescType t) { return AEDesc::FromCode(typeType, t); }

std::string ListNames(const Node* folder) {
  std::string out;
  bool first = true;
  for (DescType k : {cItem, cFolder}) {
    for (Node* c : folder->Children(k)) {
      out += (first ? "" : ",") + c->Name();
      first = false;
    }
  }
  return out;
}

}  // namespace

TEST(Dispatch, CountsExistsAndData) {
  Fixture f;
  auto& d = f.director;
  const AEDesc docs = Folder("docs");
  EXPECT_EQ(Send(d, kAECoreSuite, kAECountElements, {{keyDirectObject, docs}, {keyAEObjectClass, Type(cItem)}}).value.AsLong(), 4);
  EXPECT_EQ(Send(d, kAECoreSuite, kAECountElements, {{keyAEObjectClass, Type(cFolder)}}).value.AsLong(), 2);
  // Counting over several containers adds up.
  EXPECT_EQ(Send(d, kAECoreSuite, kAECountElements,
                {{keyDirectObject, AEMakeOrdinalSpecifier(cFolder, AEDesc(), kAEAll)}, {keyAEObjectClass, Type(cItem)}})
                .value.AsLong(),
            5);
  EXPECT_EQ(Send(d, kAECoreSuite, kAECountElements, {{keyDirectObject, docs}}).err, errAEDescNotFound);

  EXPECT_TRUE(Send(d, kAECoreSuite, kAEDoObjectsExist, {{keyDirectObject, ItemIn(docs, 4)}}).value.AsBoolean());
  EXPECT_FALSE(Send(d, kAECoreSuite, kAEDoObjectsExist, {{keyDirectObject, ItemIn(docs, 5)}}).value.AsBoolean());
  EXPECT_EQ(Send(d, kAECoreSuite, kAEDoObjectsExist, {{keyDirectObject, ItemIn(docs, 0)}}).err, noErr);

  const AEDesc sizeOfC = AEMakePropertySpecifier(pSize, AEMakeNameSpecifier(cItem, docs, "c"));
  EXPECT_EQ(Send(d, kAECoreSuite, kAEGetData, {{keyDirectObject, sizeOfC}}).value, AEDesc::FromLong(3));
  EXPECT_EQ(Send(d, kAECoreSuite, kAEGetData, {{keyDirectObject, sizeOfC}, {keyAERequestedType, Type(typeChar)}}).value,
            AEDesc::FromText("3"));
  EXPECT_EQ(Send(d, kAECoreSuite, kAEGetData, {{keyDirectObject, sizeOfC}, {keyAERequestedType, Type(typeAEList)}})
                .value.CountItems(),
            1);
  EXPECT_EQ(Send(d, kAECoreSuite, kAEGetData, {{keyDirectObject, sizeOfC}, {keyAERequestedType, Type(typeBoolean)}}).err,
            errAECoercionFail);
  EXPECT_EQ(Send(d, kAECoreSuite, kAESetData, {{keyDirectObject, sizeOfC}, {keyAEData, AEDesc::FromText("30")}}).err, noErr);
  EXPECT_EQ(f.docs->Children(cItem)[2]->Size(), 30);
  EXPECT_EQ(Send(d, kAECoreSuite, kAESetData, {{keyDirectObject, sizeOfC}, {keyAEData, AEDesc::FromText("3x")}}).err,
            errAECoercionFail);
  EXPECT_EQ(f.docs->Children(cItem)[2]->Size(), 30);
  EXPECT_EQ(Send(d, kAECoreSuite, kAESetData, {{keyDirectObject, sizeOfC}}).err, errAEDescNotFound);
  EXPECT_EQ(Send(d, kAECoreSuite, kAEGetDataSize,
                {{keyDirectObject, AEMakePropertySpecifier(pName, AEMakeNameSpecifier(cFolder, docs, "sub"))}})
                .value.AsLong(),
            3);

  // Several objects answer with a list; a property the object lacks is no such object.
  AEDesc names = Send(d, kAECoreSuite, kAEGetData,
                     {{keyDirectObject, AEMakePropertySpecifier(pName, AEMakeOrdinalSpecifier(cItem, docs, kAEAll))}})
                     .value;
  ASSERT_TRUE(names.IsList());
  EXPECT_EQ(names.CountItems(), 4);
  EXPECT_EQ(names.GetNth(4).AsText(), "d");
  EXPECT_EQ(Send(d, kAECoreSuite, kAEGetData, {{keyDirectObject, AEMakePropertySpecifier(FourCC("zzzz"), docs)}}).err,
            errAENoSuchObject);
  // Get data of an element answers its specifier.
  AEDesc specifier = Send(d, kAECoreSuite, kAEGetData, {{keyDirectObject, AEMakeNameSpecifier(cItem, docs, "b")}}).value;
  LModelToken token;
  LModelDirector::Resolve(specifier, token);
  EXPECT_EQ(token.Single(), f.docs->Children(cItem)[1]);
  EXPECT_EQ(sLive, 0);
}

TEST(Dispatch, CreateDeleteCloneMove) {
  Fixture f;
  auto& d = f.director;
  const AEDesc docs = Folder("docs");
  auto props = [](const char* name, int size) {
    AEDesc r = AEDesc::MakeRecord();
    r.PutKeyDesc(pName, AEDesc::FromText(name));
    r.PutKeyDesc(pSize, AEDesc::FromLong(size));
    return r;
  };
  struct Step {
    const char* what;
    AEEventClass cls;
    AEEventID id;
    std::vector<std::pair<AEKeyword, AEDesc>> params;
    OSStatus err;
    std::string docsAfter;
  } steps[] = {
      {"make at end", kAECoreSuite, kAECreateElement,
       {{keyAEObjectClass, Type(cItem)}, {keyAEInsertHere, docs}, {keyAEPropData, props("n", 9)}}, noErr,
       "a,b,c,d,n,sub"},
      {"make before b", kAECoreSuite, kAECreateElement,
       {{keyAEObjectClass, Type(cItem)},
        {keyAEInsertHere, AEMakeInsertionLocation(AEMakeNameSpecifier(cItem, docs, "b"), kAEBefore)},
        {keyAEPropData, props("m", 1)}},
       noErr, "a,m,b,c,d,n,sub"},
      {"make at beginning", kAECoreSuite, kAECreateElement,
       {{keyAEObjectClass, Type(cItem)}, {keyAEInsertHere, AEMakeInsertionLocation(docs, kAEBeginning)}}, noErr,
       ",a,m,b,c,d,n,sub"},
      {"make a class the folder lacks", kAECoreSuite, kAECreateElement,
       {{keyAEObjectClass, Type(cChar)}, {keyAEInsertHere, docs}}, errAECantHandleClass, ",a,m,b,c,d,n,sub"},
      {"make at a bad position", kAECoreSuite, kAECreateElement,
       {{keyAEObjectClass, Type(cItem)}, {keyAEInsertHere, AEMakeInsertionLocation(docs, FourCC("side"))}},
       errAEBadKeyForm, ",a,m,b,c,d,n,sub"},
      {"delete whose size > 3", kAECoreSuite, kAEDelete,
       {{keyDirectObject,
         AEMakeTestSpecifier(cItem, docs,
                             AEMakeComparison(kAEGreaterThan, PropOfExamined(pSize), AEDesc::FromLong(3)))}},
       noErr, ",a,m,b,c,sub"},
      {"delete first two", kAECoreSuite, kAEDelete,
       {{keyDirectObject, AEMakeRangeSpecifier(cItem, docs, AEDesc::FromLong(1), AEDesc::FromLong(2))}}, noErr,
       "m,b,c,sub"},
      {"delete what is not there", kAECoreSuite, kAEDelete, {{keyDirectObject, ItemIn(docs, 9)}}, errAENoSuchObject,
       "m,b,c,sub"},
      {"clone c after m", kAECoreSuite, kAEClone,
       {{keyDirectObject, AEMakeNameSpecifier(cItem, docs, "c")},
        {keyAEInsertHere, AEMakeInsertionLocation(ItemIn(docs, 1), kAEAfter)}},
       noErr, "m,c,b,c,sub"},
      {"move m to the end of sub", kAECoreSuite, kAEMove,
       {{keyDirectObject, ItemIn(docs, 1)},
        {keyAEInsertHere, AEMakeInsertionLocation(AEMakeNameSpecifier(cFolder, docs, "sub"), kAEEnd)}},
       noErr, "c,b,c,sub"},
      {"move a folder into itself", kAECoreSuite, kAEMove,
       {{keyDirectObject, AEMakeNameSpecifier(cFolder, docs, "sub")},
        {keyAEInsertHere, AEMakeInsertionLocation(ItemIn(AEMakeNameSpecifier(cFolder, docs, "sub"), 1), kAEBefore)}},
       errAEBadKeyForm, "c,b,c,sub"},
      {"clone a folder to misc", kAECoreSuite, kAEClone,
       {{keyDirectObject, AEMakeNameSpecifier(cFolder, docs, "sub")},
        {keyAEInsertHere, AEMakeInsertionLocation(Folder("misc"), kAEBeginning)}},
       noErr, "c,b,c,sub"},
      {"delete the application", kAECoreSuite, kAEDelete, {{keyDirectObject, AEDesc()}}, errAEEventNotHandled,
       "c,b,c,sub"},
  };
  for (const Step& s : steps) {
    AppleEvent event(s.cls, s.id);
    for (auto& [key, desc] : s.params) event.PutParamDesc(key, desc);
    AppleEvent reply = AppleEvent::MakeReply();
    EXPECT_EQ(d.Dispatch(event, reply), s.err) << s.what;
    EXPECT_EQ(ListNames(f.docs), s.docsAfter) << s.what;
    if (s.err == noErr && s.id != kAEDelete) {
      // The answer names the new object.
      LModelToken token;
      LModelDirector::Resolve(reply.GetParamDesc(keyDirectObject), token);
      EXPECT_EQ(token.Count(), 1u) << s.what;
    }
  }
  EXPECT_EQ(ListNames(f.sub), "e,ab,m");
  EXPECT_EQ(ListNames(f.misc), "x,sub");
  EXPECT_EQ(ListNames(f.misc->Children(cFolder)[0]), "e,ab,m");
}

TEST(Dispatch, TableAndOwnEvents) {
  Fixture f;
  auto& d = f.director;
  std::vector<std::string> opened;
  std::vector<AEEventID> recorded;
  long seenNumber = 0;
  d.InstallHandler(kCoreEventClass, kAEOpenDocuments, kAENumOpenDocuments,
                   [&](const AppleEvent& event, AppleEvent&, long number) {
                     seenNumber = number;
                     for (const std::string& p : AEGetFilePaths(event)) opened.push_back(p);
                   });
  d.InstallHandler(kCoreEventClass, kAEQuitApplication, kAENumQuit,
                   [&](const AppleEvent& event, AppleEvent&, long) {
                     if (AEGetSaveOption(event) == kAENo) throw LException(-128);
                   });
  d.SetRecorder([&](const AppleEvent& e) { recorded.push_back(e.GetEventID()); });

  EXPECT_EQ(d.GetEventNumber(kAECoreSuite, kAEGetData), kAENumGetData);
  EXPECT_EQ(d.GetEventNumber(FourCC("zzzz"), FourCC("zzzz")), 0);
  EXPECT_EQ(Send(d, FourCC("zzzz"), FourCC("zzzz"), {}).err, errAEEventNotHandled);
  // Open application reaches the application object, which does not handle it here.
  EXPECT_EQ(d.Send(AEMakeOpenApplication()), errAEEventNotHandled);

  // The program's own open goes the outside way, and is recorded first.
  EXPECT_EQ(d.Send(AEMakeOpenDocuments({"/tmp/a.txt", "b c.txt"})), noErr);
  EXPECT_EQ(seenNumber, kAENumOpenDocuments);
  EXPECT_EQ(opened, (std::vector<std::string>{"/tmp/a.txt", "b c.txt"}));
  // Recorded but not run.
  EXPECT_EQ(d.Send(AEMakeOpenDocuments({"/tmp/z"}), nullptr, false), noErr);
  EXPECT_EQ(opened.size(), 2u);
  EXPECT_EQ(recorded, (std::vector<AEEventID>{kAEOpenApplication, kAEOpenDocuments, kAEOpenDocuments}));

  // Outside open events with bad file lists are refused whole.
  AppleEvent odd(kCoreEventClass, kAEOpenDocuments);
  AEDesc list = AEDesc::MakeList();
  list.Append(AEDesc(typeFilePath, "ok", 2));
  list.Append(AEDesc(typeFilePath, "a\0b", 3));
  odd.PutParamDesc(keyDirectObject, list);
  AppleEvent reply = AppleEvent::MakeReply();
  EXPECT_EQ(d.Dispatch(odd, reply), errAECoercionFail);
  odd.PutParamDesc(keyDirectObject, AEDesc::FromLong(1));
  EXPECT_EQ(d.Dispatch(odd, reply), errAECoercionFail);
  EXPECT_EQ(opened.size(), 2u);
  EXPECT_EQ(AEGetFilePaths(AEMakeOpenDocuments({})).size(), 0u);
  EXPECT_EQ(AEGetFilePaths(AEMakePrintDocuments({"p"})).at(0), "p");

  // A handler's failure comes back in the reply.
  AppleEvent quitReply = AppleEvent::MakeReply();
  EXPECT_EQ(d.Send(AEMakeQuit(kAENo), &quitReply), -128);
  EXPECT_EQ(quitReply.GetErrorNumber(), -128);
  EXPECT_EQ(d.Send(AEMakeQuit(kAEYes)), noErr);
  AppleEvent badQuit = AEMakeQuit();
  badQuit.PutParamDesc(keyAESaveOptions, AEDesc::FromCode(typeEnumerated, FourCC("mayb")));
  EXPECT_EQ(d.Send(badQuit), errAECoercionFail);

  // Removing a handler makes the event unhandled; a nested director is current
  // until it goes.
  d.RemoveHandler(kCoreEventClass, kAEQuitApplication);
  EXPECT_EQ(d.Send(AEMakeQuit()), errAEEventNotHandled);
  {
    Node other(nullptr, cApplication, "other", 0);
    LModelDirector inner(&other);
    EXPECT_EQ(LModelDirector::GetDirector(), &inner);
  }
  EXPECT_EQ(LModelDirector::GetDirector(), &d);
}
