#include "NotificationsBureau.h"

#import <Foundation/Foundation.h>
#import <UserNotifications/UserNotifications.h>

// Shows notices while the application is in front too, and reports the one the user clicks.
@interface DelegueNotifications : NSObject <UNUserNotificationCenterDelegate>
// Cleared by the bureau as it goes, on the main thread.
@property(nonatomic, assign) NotificationsBureau* bureau;
@end

@implementation DelegueNotifications
- (void)userNotificationCenter:(UNUserNotificationCenter*)centre
       willPresentNotification:(UNNotification*)notification
         withCompletionHandler:(void (^)(UNNotificationPresentationOptions))suite
{
    Q_UNUSED(centre);
    Q_UNUSED(notification);
    suite(UNNotificationPresentationOptionBanner | UNNotificationPresentationOptionList);
}

- (void)userNotificationCenter:(UNUserNotificationCenter*)centre
    didReceiveNotificationResponse:(UNNotificationResponse*)reponse
             withCompletionHandler:(void (^)(void))suite
{
    Q_UNUSED(centre);
    NSString* token = reponse.notification.request.content.userInfo[@"token"];
    if ([reponse.actionIdentifier isEqualToString:UNNotificationDefaultActionIdentifier] && token != nil) {
        const QString texte = QString::fromNSString(token);
        // The centre calls on a queue of its own; the bureau lives and dies on the main thread.
        dispatch_async(dispatch_get_main_queue(), ^{
          if (self.bureau != nullptr) {
              Q_EMIT self.bureau->activee(texte);
          }
        });
    }
    suite();
}
@end

struct NotificationsBureau::Prive final {
    DelegueNotifications* delegue = nil;
};

NotificationsBureau::NotificationsBureau(QObject* parent)
    : QObject(parent)
    , m_prive(std::make_unique<Prive>())
{
    // Outside a bundle (a test build) the centre cannot be reached at all.
    if (NSBundle.mainBundle.bundleIdentifier == nil) {
        return;
    }
    m_prive->delegue = [[DelegueNotifications alloc] init];
    m_prive->delegue.bureau = this;
    UNUserNotificationCenter* centre = UNUserNotificationCenter.currentNotificationCenter;
    centre.delegate = m_prive->delegue;
    [centre requestAuthorizationWithOptions:UNAuthorizationOptionAlert
                          completionHandler:^(BOOL accorde, NSError* erreur) {
                            Q_UNUSED(accorde);
                            Q_UNUSED(erreur);
                          }];
}

NotificationsBureau::~NotificationsBureau()
{
    if (m_prive->delegue != nil) {
        UNUserNotificationCenter.currentNotificationCenter.delegate = nil;
        m_prive->delegue.bureau = nullptr;
        [m_prive->delegue release];
    }
}

void NotificationsBureau::publier(const QString& cle, const QString& titre, const QString& corps,
                                  const QString& token)
{
    if (m_prive->delegue == nil) {
        return;
    }
    UNMutableNotificationContent* contenu = [[UNMutableNotificationContent alloc] init];
    contenu.title = titre.toNSString();
    contenu.body = corps.toNSString();
    contenu.userInfo = @{@"token" : token.toNSString()};
    // A request with the identifier of a notice still shown replaces that notice.
    UNNotificationRequest* demande = [UNNotificationRequest requestWithIdentifier:cle.toNSString()
                                                                          content:contenu
                                                                          trigger:nil];
    [UNUserNotificationCenter.currentNotificationCenter addNotificationRequest:demande
                                                         withCompletionHandler:nil];
    [contenu release];
}
