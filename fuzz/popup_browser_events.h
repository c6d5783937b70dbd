// The browsers' side of the pop-up killer's fuzz target: window handles, frame arguments, document
// events and browser faults, drawn from the fuzzer's input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/browser.h"
#include "platform/sim/browser.h"

namespace velqor::fuzz {

class BrowserEvents {
 public:
  using SimBrowser = platform::sim::SimBrowser;
  using SimDocument = platform::sim::SimDocument;
  using Variant = platform::Variant;

  // `browsers` and `documents` are every browser and document the session ever opened.
  BrowserEvents(FuzzedDataProvider& in, std::vector<std::shared_ptr<SimBrowser>>& browsers,
                std::vector<std::shared_ptr<SimDocument>>& documents)
      : in_(in), browsers_(browsers), documents_(documents) {}

  std::int32_t Handle() {
    return kHandles[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kHandles) - 1)];
  }

  std::shared_ptr<SimBrowser> AnyBrowser() {
    if (browsers_.empty()) return nullptr;
    return browsers_[in_.ConsumeIntegralInRange<std::size_t>(0, browsers_.size() - 1)];
  }

  // A frame argument: the browser itself, another browser, nothing, or not a browser at all.
  Variant Frame(const std::shared_ptr<SimBrowser>& self) {
    switch (in_.ConsumeIntegralInRange<int>(0, 4)) {
      case 0:
        return self->Self();
      case 1: {
        const auto other = AnyBrowser();
        return other->Self();
      }
      case 2:
        return platform::BrowserRef();
      case 3:
        return std::string("frame");
      default:
        return Variant();
    }
  }

  void FireDocumentEvent() {
    if (documents_.empty()) return;
    const auto document =
        documents_[in_.ConsumeIntegralInRange<std::size_t>(0, documents_.size() - 1)];
    switch (in_.ConsumeIntegralInRange<int>(0, 2)) {
      case 0:
        document->FireContextMenu();
        break;
      case 1:
        document->FireMouseDown();
        break;
      default:
        document->FireMouseUp();
        break;
    }
  }

  void SetBrowserFault() {
    const auto browser = AnyBrowser();
    if (!browser) return;
    switch (in_.ConsumeIntegralInRange<int>(0, 7)) {
      case 0:
        browser->fail_hwnd = !browser->fail_hwnd;
        break;
      case 1:
        browser->fail_document = !browser->fail_document;
        break;
      case 2:
        browser->fail_go_forward = !browser->fail_go_forward;
        break;
      case 3:
        browser->fail_exec_wb = !browser->fail_exec_wb;
        break;
      case 4:
        browser->fail_subscribe = !browser->fail_subscribe;
        break;
      case 5:
        browser->has_forward_history = !browser->has_forward_history;
        break;
      case 6:
        // A new page: the sink keeps listening to the document it attached to.
        browser->document = in_.ConsumeBool() ? std::make_shared<SimDocument>() : nullptr;
        if (browser->document) documents_.push_back(browser->document);
        break;
      default:
        if (browser->document)
          browser->document->fail_subscribe = !browser->document->fail_subscribe;
        break;
    }
  }

 private:
  static constexpr std::int32_t kHandles[] = {0, 1, 2, 3, 918, 918, -1, 0x7FFFFFFF};

  FuzzedDataProvider& in_;
  std::vector<std::shared_ptr<SimBrowser>>& browsers_;
  std::vector<std::shared_ptr<SimDocument>>& documents_;
};

}  // namespace velqor::fuzz
