// Temperature readings kept by a sensor log (Objective-C).
#import <Foundation/Foundation.h>
#import "SensorLog.h"

#define MAX_READINGS 0x100

/* A single reading, with the time it was taken. */
@interface Reading : NSObject
@property (nonatomic, copy) NSString *sensor;
@property (nonatomic, assign) double celsius;
- (instancetype)initWithSensor:(NSString *)sensor celsius:(double)celsius;
@end

@implementation Reading

- (instancetype)initWithSensor:(NSString *)sensor celsius:(double)celsius {
    if ((self = [super init])) {
        _sensor = [sensor copy];
        _celsius = celsius;
    }
    return self;
}

- (NSString *)description {
    return [NSString stringWithFormat:@"%@: %.1f \u00B0C", self.sensor, self.celsius];
}

@end

int main(int argc, const char *argv[]) {
    @autoreleasepool {
        NSMutableArray<Reading *> *log = [NSMutableArray arrayWithCapacity:MAX_READINGS];
        [log addObject:[[Reading alloc] initWithSensor:@"north" celsius:21.5]];
        [log addObject:[[Reading alloc] initWithSensor:@"south\t2" celsius:-3.25e1]];
        NSNumber *count = @(log.count);
        NSDictionary *info = @{ @"count": count, @"ok": @YES };
        double (^average)(NSArray<Reading *> *) = ^double(NSArray<Reading *> *items) {
            double sum = 0;
            for (Reading *r in items) sum += r.celsius;
            return items.count ? sum / items.count : 0;
        };
        NSLog(@"%@ readings, average %f, info %@", count, average(log), info);
        char unit = 'C';
        printf("unit %c, %d%%\n", unit, 100);
    }
    return 0;
}
