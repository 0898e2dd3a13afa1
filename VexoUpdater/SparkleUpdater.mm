// Objective-C++ because Sparkle's interface is Objective-C. SUUpdater and its calls are deprecated
// in Sparkle 2 but still offered; the build allows the deprecation warnings in this file only.

#include "VexoUpdater/SparkleUpdater.h"

#include "VexoUpdater/UpdateSettings.h"

#include <QDateTime>
#include <QPointer>

#import <Sparkle/Sparkle.h>

// Tells the updater when Sparkle has ended a check. Sparkle holds its delegate weakly: the bridge
// below keeps this one alive, and it holds the updater through a guarded pointer.
@interface QuillmereSparkleDelegate : NSObject <SUUpdaterDelegate>
@property(nonatomic) QPointer<quillmere::SparkleUpdater> updater;
@end

@implementation QuillmereSparkleDelegate
- (void)updater:(SUUpdater*)updater didFinishLoadingAppcast:(SUAppcast*)appcast {
    static_cast<void>(updater);
    static_cast<void>(appcast);
    if (self.updater)
        self.updater->checkEnded(brisquel::vexo::Result::success());
}
- (void)updater:(SUUpdater*)updater didAbortWithError:(NSError*)error {
    static_cast<void>(updater);
    if (self.updater)
        self.updater->checkEnded(brisquel::vexo::Result::failure(
            brisquel::vexo::Status::Unavailable,
            QStringLiteral("The update check did not finish. ") +
                QString::fromNSString(error.localizedDescription ?: @"Sparkle gave no reason.")));
}
@end

namespace quillmere {

struct SparkleUpdater::Bridge {
    QuillmereSparkleDelegate* delegate = nil;
};

namespace {

// The one updater of the application's bundle; Sparkle makes it on first use.
SUUpdater* shared() {
    return [SUUpdater sharedUpdater];
}

} // namespace

SparkleUpdater::SparkleUpdater(QObject* parent) : Updater(parent), m_bridge(std::make_unique<Bridge>()) {
    m_bridge->delegate = [[QuillmereSparkleDelegate alloc] init];
    m_bridge->delegate.updater = this;
    shared().delegate = m_bridge->delegate;
}

SparkleUpdater::~SparkleUpdater() {
    if (shared().delegate == m_bridge->delegate)
        shared().delegate = nil;
}

void SparkleUpdater::setFeedURL(const QUrl& url) {
    @autoreleasepool {
        [shared() setFeedURL:url.toNSURL()];
    }
}

QUrl SparkleUpdater::feedURL() const {
    @autoreleasepool {
        return QUrl::fromNSURL([shared() feedURL]);
    }
}

void SparkleUpdater::checkForUpdates() {
    [shared() checkForUpdates:nil];
}

void SparkleUpdater::reloadSettings() {
    shared().automaticallyChecksForUpdates = UpdateSettings::automaticallyChecksForUpdates.read();
}

void SparkleUpdater::startAutomaticChecks() {
    reloadSettings();
}

void SparkleUpdater::checkEnded(const brisquel::vexo::Result& outcome) {
    if (outcome)
        static_cast<void>(UpdateSettings::lastUpdateCheckDate.write(QDateTime::currentDateTimeUtc()));
    emit updateCheckFinished(outcome);
}

} // namespace quillmere
