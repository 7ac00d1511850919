// Runs an export on a worker thread while the GUI thread goes on processing
// events (see qt_backend.h for why), and reports its result on the GUI thread.
#pragma once

#include <QObject>
#include <QThread>
#include <cstdint>
#include <functional>

namespace qtui {

class ExportThread : public QObject {
  Q_OBJECT

 public:
  // work: the export's call, run once on the worker thread. Made on the GUI thread.
  explicit ExportThread(std::function<std::int32_t()> work, QObject* parent = nullptr);
  // Waits for the worker. Never destroy it while the export may still wait
  // for the GUI thread (a question or dialog open): wait for finished.
  ~ExportThread() override;

  void Start();
  bool Running() const;

 signals:
  // On the GUI thread, once the work returned.
  void finished(qint32 result);

 private:
  std::function<std::int32_t()> work_;
  std::int32_t result_ = 0;
  QThread* thread_ = nullptr;
};

}  // namespace qtui
