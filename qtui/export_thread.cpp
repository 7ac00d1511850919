#include "qtui/export_thread.h"

namespace qtui {

ExportThread::ExportThread(std::function<std::int32_t()> work, QObject* parent)
    : QObject(parent), work_(std::move(work)) {}

ExportThread::~ExportThread() {
  if (thread_ != nullptr) {
    thread_->wait();
    delete thread_;
  }
}

void ExportThread::Start() {
  if (thread_ != nullptr) return;
  thread_ = QThread::create([this] { result_ = work_(); });
  connect(thread_, &QThread::finished, this, [this] {
    thread_->wait();  // the work's result is complete and visible here
    emit finished(result_);
  });
  thread_->start();
}

bool ExportThread::Running() const { return thread_ != nullptr && !thread_->isFinished(); }

}  // namespace qtui
