// `kxedit tell SPECIFIER [ACTION]`: the specifier goes through the object
// model of the engine's text as a script's would. Prints one line per
// object resolved, `range START END TEXT` (byte offsets, UTF-8), then
// `get TEXT` per object for get and `count N` for count.
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "engine/text_aeom.h"
#include "platform/ae/model_director.h"
#include "platform/exception.h"
#include "tell_parser.h"

namespace kxtell {

using ToUTF8Fn = std::string (*)(const std::string& bytes);

// The whole-text node of an engine lives as long as the driver, so that
// its range cache works across steps.
inline CKXTextAEOM& TextNodeOf(CKXTextEngine& engine) {
  static std::map<CKXTextEngine*, std::unique_ptr<CKXTextAEOM>> nodes;
  auto& node = nodes[&engine];
  if (!node)
    node = std::make_unique<CKXTextAEOM>(&engine, CKXTextLayer::sTextAll, nullptr, kKxClassText, pContents);
  return *node;
}

// 0 done, 1 bad input (error set).
inline int RunTell(CKXTextEngine& engine, const std::string& text, TellParser::Converter toText, ToUTF8Fn toUTF8,
                   std::string& error) {
  TellParser parser(toText);
  TellRequest request;
  if (!parser.Parse(text, request, error)) return 1;
  CKXTextAEOM& root = TextNodeOf(engine);
  LModelDirector director(&root);
  try {
    LModelToken token;
    director.ResolveSpecifier(request.specifier, token);
    for (std::size_t i = 0; i < token.Count(); ++i) {
      auto* node = dynamic_cast<CKXTextAEOM*>(token.Get(i));
      if (!node) continue;
      const SKXRange r = node->IsWholeText() ? engine.GetTotalRange() : node->CroppedRange();
      std::printf("range %d %lld %s\n", r.start, static_cast<long long>(r.start) + r.length,
                  toUTF8(node->RangeBytes(r)).c_str());
    }
    if (request.action == "count") std::printf("count %zu\n", token.Count());
  } catch (const LException& e) {
    error = "tell: error " + std::to_string(e.GetErrorCode());
    return 1;
  }
  if (request.action.empty() || request.action == "count") return 0;

  AppleEvent reply = AppleEvent::MakeReply();
  OSStatus err = noErr;
  if (request.action == "get") {
    AppleEvent event(kAECoreSuite, kAEGetData);
    event.PutParamDesc(keyDirectObject, request.specifier);
    event.PutParamDesc(keyAERequestedType, AEDesc::FromCode(typeType, typeChar));
    err = director.Dispatch(event, reply);
    if (err == noErr && reply.HasParam(keyDirectObject)) {
      const AEDesc result = reply.GetParamDesc(keyDirectObject);
      if (result.IsList()) {
        for (long i = 1; i <= result.CountItems(); ++i)
          std::printf("get %s\n", toUTF8(result.GetNth(i).AsText()).c_str());
      } else {
        std::printf("get %s\n", toUTF8(result.AsText()).c_str());
      }
    }
  } else if (request.action == "set") {
    AppleEvent event(kAECoreSuite, kAESetData);
    event.PutParamDesc(keyDirectObject, AEMakePropertySpecifier(request.property, request.specifier));
    event.PutParamDesc(keyAEData, request.value);
    err = director.Dispatch(event, reply);
  } else {
    AppleEvent event(kAECoreSuite, kAEDelete);
    event.PutParamDesc(keyDirectObject, request.specifier);
    err = director.Dispatch(event, reply);
  }
  if (err != noErr) {
    error = "tell: error " + std::to_string(err);
    return 1;
  }
  return 0;
}

}  // namespace kxtell
