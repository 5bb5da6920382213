// The four-character codes and error numbers of Apple events: descriptor
// types, keywords, key forms, event classes and IDs.
#pragma once

#include "platform/types.h"

using DescType = OSType;
using AEKeyword = OSType;
using AEEventClass = OSType;
using AEEventID = OSType;

// Descriptor types.
constexpr DescType typeNull = FourCC("null");
constexpr DescType typeWildCard = FourCC("****");
constexpr DescType typeChar = FourCC("TEXT");   // bytes in the text's own script
constexpr DescType typeShortInteger = FourCC("shor");
constexpr DescType typeLongInteger = FourCC("long");
constexpr DescType typeBoolean = FourCC("bool");   // one byte, 0 or 1
constexpr DescType typeTrue = FourCC("true");      // no data
constexpr DescType typeFalse = FourCC("fals");     // no data
constexpr DescType typeEnumerated = FourCC("enum");
constexpr DescType typeType = FourCC("type");
constexpr DescType typeProperty = FourCC("prop");
constexpr DescType typeKeyword = FourCC("keyw");
constexpr DescType typeAbsoluteOrdinal = FourCC("abso");
constexpr DescType typeRGBColor = FourCC("cRGB");   // red, green, blue: 16 bits each
constexpr DescType typeFilePath = FourCC("fpth");   // a POSIX path, UTF-8, no NUL
constexpr DescType typeAEList = FourCC("list");
constexpr DescType typeAERecord = FourCC("reco");
constexpr DescType typeAppleEvent = FourCC("aevt");
constexpr DescType typeObjectSpecifier = FourCC("obj ");
constexpr DescType typeInsertionLoc = FourCC("insl");
constexpr DescType typeRangeDescriptor = FourCC("rang");
constexpr DescType typeCompDescriptor = FourCC("cmpd");
constexpr DescType typeLogicalDescriptor = FourCC("logi");
constexpr DescType typeCurrentContainer = FourCC("ccnt");     // no data
constexpr DescType typeObjectBeingExamined = FourCC("exmn");  // no data

// Parameters of events.
constexpr AEKeyword keyDirectObject = FourCC("----");
constexpr AEKeyword keyAEData = FourCC("data");
constexpr AEKeyword keyAERequestedType = FourCC("rtyp");
constexpr AEKeyword keyAEInsertHere = FourCC("insh");
constexpr AEKeyword keyAEObjectClass = FourCC("kocl");
constexpr AEKeyword keyAEPropData = FourCC("prdt");
constexpr AEKeyword keyAESaveOptions = FourCC("savo");
constexpr AEKeyword keyAEFile = FourCC("kfil");
constexpr AEKeyword keyErrorNumber = FourCC("errn");

// Fields of object specifiers, ranges, insertion locations and tests.
constexpr AEKeyword keyAEDesiredClass = FourCC("want");
constexpr AEKeyword keyAEContainer = FourCC("from");
constexpr AEKeyword keyAEKeyForm = FourCC("form");
constexpr AEKeyword keyAEKeyData = FourCC("seld");
constexpr AEKeyword keyAERangeStart = FourCC("star");
constexpr AEKeyword keyAERangeStop = FourCC("stop");
constexpr AEKeyword keyAEObject = FourCC("kobj");
constexpr AEKeyword keyAEPosition = FourCC("kpos");
constexpr AEKeyword keyAECompOperator = FourCC("relo");
constexpr AEKeyword keyAEObject1 = FourCC("obj1");
constexpr AEKeyword keyAEObject2 = FourCC("obj2");
constexpr AEKeyword keyAELogicalOperator = FourCC("logc");
constexpr AEKeyword keyAELogicalTerms = FourCC("term");

// Key forms.
constexpr DescType formAbsolutePosition = FourCC("indx");
constexpr DescType formRelativePosition = FourCC("rele");
constexpr DescType formName = FourCC("name");
constexpr DescType formPropertyID = FourCC("prop");
constexpr DescType formRange = FourCC("rang");
constexpr DescType formTest = FourCC("test");

// Absolute ordinals, relative and insertion positions.
constexpr OSType kAEFirst = FourCC("firs");
constexpr OSType kAELast = FourCC("last");
constexpr OSType kAEMiddle = FourCC("midd");
constexpr OSType kAEAny = FourCC("any ");
constexpr OSType kAEAll = FourCC("all ");
constexpr OSType kAENext = FourCC("next");
constexpr OSType kAEPrevious = FourCC("prev");
constexpr OSType kAEBefore = FourCC("befo");
constexpr OSType kAEAfter = FourCC("afte");
constexpr OSType kAEBeginning = FourCC("bgng");
constexpr OSType kAEEnd = FourCC("end ");
constexpr OSType kAEReplace = FourCC("rplc");

// Comparison and logical operators of whose-tests.
constexpr OSType kAEEquals = FourCC("=   ");
constexpr OSType kAELessThan = FourCC("<   ");
constexpr OSType kAELessThanEquals = FourCC("<=  ");
constexpr OSType kAEGreaterThan = FourCC(">   ");
constexpr OSType kAEGreaterThanEquals = FourCC(">=  ");
constexpr OSType kAEBeginsWith = FourCC("bgwt");
constexpr OSType kAEEndsWith = FourCC("ends");
constexpr OSType kAEContains = FourCC("cont");
constexpr OSType kAEAND = FourCC("AND ");
constexpr OSType kAEOR = FourCC("OR  ");
constexpr OSType kAENOT = FourCC("NOT ");

// Classes and properties the framework itself knows.
constexpr DescType cApplication = FourCC("capp");
constexpr DescType cProperty = FourCC("prop");
constexpr DescType pContents = FourCC("pcnt");
constexpr DescType pClass = FourCC("pcls");

// Save options of quit and close.
constexpr OSType kAEYes = FourCC("yes ");
constexpr OSType kAENo = FourCC("no  ");
constexpr OSType kAEAsk = FourCC("ask ");

// Events.
constexpr AEEventClass kCoreEventClass = FourCC("aevt");
constexpr AEEventID kAEOpenApplication = FourCC("oapp");
constexpr AEEventID kAEOpenDocuments = FourCC("odoc");
constexpr AEEventID kAEPrintDocuments = FourCC("pdoc");
constexpr AEEventID kAEQuitApplication = FourCC("quit");
constexpr AEEventID kAEAnswer = FourCC("ansr");
constexpr AEEventClass kAECoreSuite = FourCC("core");
constexpr AEEventID kAEGetData = FourCC("getd");
constexpr AEEventID kAESetData = FourCC("setd");
constexpr AEEventID kAEGetDataSize = FourCC("dsiz");
constexpr AEEventID kAECountElements = FourCC("cnte");
constexpr AEEventID kAEDoObjectsExist = FourCC("doex");
constexpr AEEventID kAEDelete = FourCC("delo");
constexpr AEEventID kAEClone = FourCC("clon");
constexpr AEEventID kAEMove = FourCC("move");
constexpr AEEventID kAECreateElement = FourCC("crel");
constexpr AEEventID kAEClose = FourCC("clos");
constexpr AEEventID kAESave = FourCC("save");
constexpr AEEventClass kAEMiscStandards = FourCC("misc");
constexpr AEEventID kAECopy = FourCC("copy");
constexpr AEEventID kAECut = FourCC("cut ");
constexpr AEEventID kAEPaste = FourCC("past");
constexpr AEEventID kAERedo = FourCC("redo");
constexpr AEEventID kAEUndo = FourCC("undo");
constexpr AEEventID kAESelect = FourCC("slct");

// Errors, thrown as LException codes and returned in replies.
constexpr OSErr errAECoercionFail = -1700;     // the data cannot become the wanted type
constexpr OSErr errAEDescNotFound = -1701;     // no item under that keyword
constexpr OSErr errAECorruptData = -1702;      // malformed or too deeply nested descriptor
constexpr OSErr errAEWrongDataType = -1703;    // a list or record operation on other data
constexpr OSErr errAEEventNotHandled = -1708;  // no handler, form or operator for the request
constexpr OSErr errAEIllegalIndex = -1719;     // a list item outside 1..count
constexpr OSErr errAENoSuchObject = -1728;     // the specified object does not exist
constexpr OSErr errAEBadKeyForm = -10002;      // a key form or position the object cannot use
constexpr OSErr errAECantHandleClass = -10010; // an element or property class the object lacks

// The program's numbers for the events it handles, given to the handlers and
// to LModelObject::HandleAppleEvent (see LModelDirector's table).
enum KxAEEventNumber : long {
  kAENumOpenApplication = 1001,
  kAENumOpenDocuments = 1002,
  kAENumPrintDocuments = 1003,
  kAENumQuit = 1004,
  kAENumClone = 2001,
  kAENumClose = 2002,
  kAENumCountElements = 2003,
  kAENumCreateElement = 2004,
  kAENumDelete = 2005,
  kAENumDoObjectsExist = 2006,
  kAENumGetData = 2008,
  kAENumGetDataSize = 2009,
  kAENumMove = 2011,
  kAENumSetData = 2013,
  kAENumSave = 2014,
  kAENumCopy = 3003,
  kAENumCut = 3005,
  kAENumPaste = 3012,
  kAENumRedo = 3013,
  kAENumUndo = 3016,
  kAENumSelect = 3017,
};
