package morvaneConnector;

import morvaneDemo.DemoApp;
import morvaneDemo.Upload;

/**
 * The class the web server's connector creates, one per virtual server. It only
 * adapts the connector's calls to the demo application.
 */
public class MorvaneHttpConnector {
  private final DemoApp app;

  /** Every parameter that this virtual server can see, as parallel arrays. */
  public MorvaneHttpConnector(String[] names, String[] values) {
    app = new DemoApp(names, values);
  }

  public void init() {
    app.init();
  }

  /** Called when the web server unloads the connector (never by Apache). */
  public void terminate() {
    DemoApp.log("terminate");
  }

  /** Called once per server process, before any connector is created. */
  public static String setLogfile(String path) {
    return DemoApp.setLogfile(path);
  }

  /**
   * One request. exchange[0] holds the body or the query string, exchange[1]
   * the session id; on return exchange[0] holds the response bytes (null for
   * 404), exchange[1] the session id to set and exchange[2] the content type.
   */
  public void process(Object[] exchange, String address, String language) {
    app.process(exchange, address, language);
  }

  public Object onUploadInit(String query, String contentType, int length) {
    return app.startUpload(query, contentType, length);
  }

  public boolean onUpload(Object handle, byte[] piece) {
    return ((Upload) handle).write(piece);
  }

  public byte[] onUploadEnd(Object handle) {
    return ((Upload) handle).finish();
  }
}
