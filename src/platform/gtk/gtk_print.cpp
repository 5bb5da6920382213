// The GTK host's printing: the toolkit's page set-up dialog and a print
// operation whose pages are drawn by the same port calls as everywhere.
// Each page is drawn into a recording surface first and then painted onto
// the operation's context, so that whatever the context does (a turned
// sheet, a scale chosen in the dialog) applies to the page as a whole.
#include <glib/gstdio.h>
#include <gtk/gtk.h>

#include <cerrno>
#include <cmath>
#include <exception>
#include <vector>

#include "platform/draw/print.h"
#include "platform/files.h"
#include "platform/gtk/gtk_host_impl.h"

namespace {

// Standard papers are taken by name when the size is within this of one,
// so that a printer sees "iso_a4" rather than a custom size.
constexpr double kPaperMatch = 2.0;

std::int32_t Points(double v) { return std::int32_t(std::lround(v)); }

GtkWindow* Parent(const KxGtkHost::Impl& impl) {
  return impl.windows.empty() ? nullptr : GTK_WINDOW(impl.windows.front()->toplevel);
}

// A printer's named paper when one is that size (unless `exact`), else a
// custom one of exactly the size.
GtkPaperSize* PaperFor(std::int32_t width, std::int32_t height, bool exact) {
  GList* papers = exact ? nullptr : gtk_paper_size_get_paper_sizes(FALSE);
  GtkPaperSize* found = nullptr;
  for (GList* p = papers; p; p = p->next) {
    auto* size = static_cast<GtkPaperSize*>(p->data);
    if (!found && std::fabs(gtk_paper_size_get_width(size, GTK_UNIT_POINTS) - width) <= kPaperMatch &&
        std::fabs(gtk_paper_size_get_height(size, GTK_UNIT_POINTS) - height) <= kPaperMatch)
      found = gtk_paper_size_copy(size);
  }
  g_list_free_full(papers, reinterpret_cast<GDestroyNotify>(gtk_paper_size_free));
  if (found) return found;
  const std::string name = "custom-" + std::to_string(width) + "x" + std::to_string(height);
  const std::string shown = std::to_string(width) + " x " + std::to_string(height) + " pt";
  return gtk_paper_size_new_custom(name.c_str(), shown.c_str(), width, height, GTK_UNIT_POINTS);
}

GtkPageSetup* ToGtk(const KxPageSetup& s, bool exact = false) {
  GtkPageSetup* setup = gtk_page_setup_new();
  GtkPaperSize* paper = PaperFor(s.paperWidth, s.paperHeight, exact);
  gtk_page_setup_set_paper_size(setup, paper);
  gtk_paper_size_free(paper);
  gtk_page_setup_set_orientation(setup, s.landscape ? GTK_PAGE_ORIENTATION_LANDSCAPE : GTK_PAGE_ORIENTATION_PORTRAIT);
  gtk_page_setup_set_top_margin(setup, s.hardTop, GTK_UNIT_POINTS);
  gtk_page_setup_set_left_margin(setup, s.hardLeft, GTK_UNIT_POINTS);
  gtk_page_setup_set_bottom_margin(setup, s.hardBottom, GTK_UNIT_POINTS);
  gtk_page_setup_set_right_margin(setup, s.hardRight, GTK_UNIT_POINTS);
  return setup;
}

KxPageSetup FromGtk(GtkPageSetup* setup) {
  KxPageSetup s;
  GtkPaperSize* paper = gtk_page_setup_get_paper_size(setup);
  s.paperWidth = Points(gtk_paper_size_get_width(paper, GTK_UNIT_POINTS));
  s.paperHeight = Points(gtk_paper_size_get_height(paper, GTK_UNIT_POINTS));
  const GtkPageOrientation o = gtk_page_setup_get_orientation(setup);
  s.landscape = o == GTK_PAGE_ORIENTATION_LANDSCAPE || o == GTK_PAGE_ORIENTATION_REVERSE_LANDSCAPE;
  s.hardTop = Points(gtk_page_setup_get_top_margin(setup, GTK_UNIT_POINTS));
  s.hardLeft = Points(gtk_page_setup_get_left_margin(setup, GTK_UNIT_POINTS));
  s.hardBottom = Points(gtk_page_setup_get_bottom_margin(setup, GTK_UNIT_POINTS));
  s.hardRight = Points(gtk_page_setup_get_right_margin(setup, GTK_UNIT_POINTS));
  KxValidatePageSetup(s);
  return s;
}

GtkPrintSettings* SettingsOf(const KxPrintRecord& record) {
  if (record.settings.empty()) return nullptr;
  GtkPrintSettings* settings = gtk_print_settings_new();
  for (const auto& [key, value] : record.settings) gtk_print_settings_set(settings, key.c_str(), value.c_str());
  return settings;
}

void KeepSettings(GtkPrintSettings* settings, KxPrintRecord& record) {
  if (!settings) return;
  record.settings.clear();
  gtk_print_settings_foreach(
      settings,
      [](const gchar* key, const gchar* value, gpointer data) {
        static_cast<KxPrintRecord*>(data)->settings.emplace_back(key, value ? value : "");
      },
      &record);
}

// One print operation: its pages are panels first, first + 1, ... of the
// printout on `setup`'s sheet. What a panel throws cancels the operation
// and is thrown again once it has ended.
struct Job {
  Job(KxPrintout& p, const KxPageSetup& s, std::int32_t f = 1) : printout(&p), setup(s), first(f) {
    KxValidatePageSetup(setup);
  }
  KxPrintout* printout;
  KxPageSetup setup;
  std::int32_t first;
  std::exception_ptr failure;
  GtkPrintOperationResult done = GTK_PRINT_OPERATION_RESULT_IN_PROGRESS;

  static void DrawPage(GtkPrintOperation* op, GtkPrintContext* context, gint page, gpointer data) {
    auto* job = static_cast<Job*>(data);
    if (job->failure) return;
    const cairo_rectangle_t extents{0, 0, double(job->setup.Width()), double(job->setup.Height())};
    cairo_surface_t* page_surface = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
    try {
      KxDrawPrintPanel(*job->printout, job->first + page, page_surface, job->setup);
      cairo_t* cr = gtk_print_context_get_cairo_context(context);
      cairo_save(cr);
      cairo_set_source_surface(cr, page_surface, 0, 0);
      cairo_paint(cr);
      cairo_restore(cr);
    } catch (...) {
      job->failure = std::current_exception();
      gtk_print_operation_cancel(op);
    }
    cairo_surface_destroy(page_surface);
  }
  static void Done(GtkPrintOperation*, GtkPrintOperationResult result, gpointer data) {
    static_cast<Job*>(data)->done = result;
  }
};

GtkPrintOperation* NewOperation(Job& job, std::int32_t pages, bool exactPaper = false) {
  GtkPrintOperation* op = gtk_print_operation_new();
  GtkPageSetup* setup = ToGtk(job.setup, exactPaper);
  gtk_print_operation_set_default_page_setup(op, setup);
  g_object_unref(setup);
  gtk_print_operation_set_use_full_page(op, TRUE);
  gtk_print_operation_set_unit(op, GTK_UNIT_POINTS);
  gtk_print_operation_set_allow_async(op, FALSE);
  gtk_print_operation_set_n_pages(op, pages);
  g_signal_connect(op, "draw-page", G_CALLBACK(Job::DrawPage), &job);
  g_signal_connect(op, "done", G_CALLBACK(Job::Done), &job);
  return op;
}

// How the operation ended: printed, cancelled, or failed with `why`.
KxPrintResult Outcome(GtkPrintOperation* op, GtkPrintOperationResult result, GError* error, std::string& why) {
  if (!error && result == GTK_PRINT_OPERATION_RESULT_ERROR) gtk_print_operation_get_error(op, &error);
  if (error || result == GTK_PRINT_OPERATION_RESULT_ERROR) {
    why = error && error->message ? error->message : "the print job failed";
    if (error) g_error_free(error);
    return KxPrintResult::kFailed;
  }
  if (result == GTK_PRINT_OPERATION_RESULT_CANCEL) return KxPrintResult::kCancelled;
  // The job went to the printer (or the file) only when its status says so.
  if (gtk_print_operation_get_status(op) == GTK_PRINT_STATUS_FINISHED_ABORTED) {
    const gchar* status = gtk_print_operation_get_status_string(op);
    why = status && *status ? status : "the print job was aborted";
    return KxPrintResult::kFailed;
  }
  return KxPrintResult::kPrinted;
}

}  // namespace

bool KxGtkHost::RunPageSetup(KxPageSetup& setup) {
  GtkPageSetup* before = ToGtk(setup);
  GtkPageSetup* after = nullptr;
  {
    KxGtkHoldShownDialogs hold;   // the toolkit runs the dialog's loop itself
    after = gtk_print_run_page_setup_dialog(Parent(*mImpl), before, nullptr);
  }
  // A cancel answers the set-up unchanged; so does an OK that changed
  // nothing, which then has nothing to apply either.
  const KxPageSetup chosen = after ? FromGtk(after) : setup;
  if (after) g_object_unref(after);
  g_object_unref(before);
  if (chosen == setup) return false;
  setup = chosen;
  return true;
}

KxPrintResult KxGtkHost::RunPrint(KxPrintout& printout, KxPrintRecord& record, std::string& why) {
  const std::int32_t count = printout.CountPanels();
  if (count < 1) return KxPrintResult::kCancelled;
  Job job(printout, record.setup);
  GtkPrintOperation* op = NewOperation(job, count);
  if (GtkPrintSettings* settings = SettingsOf(record)) {
    gtk_print_operation_set_print_settings(op, settings);
    g_object_unref(settings);
  }
  GError* error = nullptr;
  GtkPrintOperationResult result = GTK_PRINT_OPERATION_RESULT_CANCEL;
  {
    KxGtkHoldShownDialogs hold;   // the toolkit runs the dialog's loop itself
    result = gtk_print_operation_run(op, GTK_PRINT_OPERATION_ACTION_PRINT_DIALOG, Parent(*mImpl), &error);
  }
  if (job.failure) {
    if (error) g_error_free(error);
    g_object_unref(op);
    std::rethrow_exception(job.failure);
  }
  if (result == GTK_PRINT_OPERATION_RESULT_APPLY) KeepSettings(gtk_print_operation_get_print_settings(op), record);
  const KxPrintResult outcome = Outcome(op, result, error, why);
  g_object_unref(op);
  return outcome;
}

int KxGtkHost::ExportPDF(KxPrintout& printout, const KxPageSetup& setup, const KxPrintRange& range,
                         const std::string& path, std::int32_t* printed, std::string* why) {
  if (printed) *printed = 0;
  const std::int32_t count = printout.CountPanels();
  if (count < 1) return EINVAL;
  const std::int32_t first = std::max(1, range.first), last = std::min(count, range.last);
  if (first > last) return ERANGE;
  Job job(printout, setup, first);
  // The toolkit writes the file as it goes: into a file of our own first.
  gchar* temp = nullptr;
  const gint fd = g_file_open_tmp("kxprint-XXXXXX.pdf", &temp, nullptr);
  if (fd < 0) {
    if (why) *why = "no temporary file";
    return EIO;
  }
  g_close(fd, nullptr);
  const std::string tempPath = temp;
  g_free(temp);
  // A file keeps the sheet's own size, to the point.
  GtkPrintOperation* op = NewOperation(job, last - first + 1, true);
  gtk_print_operation_set_export_filename(op, tempPath.c_str());
  GError* error = nullptr;
  const GtkPrintOperationResult result =
      gtk_print_operation_run(op, GTK_PRINT_OPERATION_ACTION_EXPORT, Parent(*mImpl), &error);
  std::string reason;
  const KxPrintResult outcome = job.failure ? KxPrintResult::kFailed : Outcome(op, result, error, reason);
  g_object_unref(op);
  int err = 0;
  if (outcome == KxPrintResult::kPrinted) {
    std::vector<std::uint8_t> bytes;
    err = KxReadFile(tempPath, bytes);
    if (!err) err = KxWriteFileSafely(path, bytes.data(), bytes.size());
    if (err) reason = KxErrorText(err);
  } else {
    err = EIO;
  }
  g_unlink(tempPath.c_str());
  if (job.failure) std::rethrow_exception(job.failure);
  if (err) {
    if (why) *why = reason;
    return err;
  }
  if (printed) *printed = last - first + 1;
  return 0;
}
