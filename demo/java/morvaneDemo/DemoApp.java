package morvaneDemo;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.net.URLDecoder;
import java.nio.charset.StandardCharsets;
import java.security.SecureRandom;
import java.time.Instant;
import java.util.HashMap;
import java.util.Map;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.atomic.AtomicInteger;
import javax.xml.parsers.DocumentBuilderFactory;
import org.w3c.dom.Element;

/**
 * A small application on the connector's contract: one page that shows what the
 * connector hands over (client address, Accept-Language, the session cookie),
 * echoes a posted form, counts visits per session and takes file uploads that
 * are streamed to disk.
 *
 * The connector passes no URL path, so pages are chosen by the "page" field of
 * the query string or of the posted form.
 */
public final class DemoApp {
  private static volatile String logfile;

  private final Map<String, String> parameters = new HashMap<>();
  private final Map<String, AtomicInteger> visits = new ConcurrentHashMap<>();
  private final SecureRandom random = new SecureRandom();
  private File uploadDir = new File(System.getProperty("java.io.tmpdir"));
  private String title = "Morvane demo";

  public DemoApp(String[] names, String[] values) {
    for (int i = 0; i < names.length; i++) parameters.putIfAbsent(names[i], values[i]);
  }

  /** Reads the application's configuration file, named by MorvaneConfigXML. */
  public void init() {
    String config = parameter("MorvaneConfigXML");
    try {
      Element root = DocumentBuilderFactory.newInstance().newDocumentBuilder().parse(new File(config))
          .getDocumentElement();
      if (!root.getAttribute("title").isEmpty()) title = root.getAttribute("title");
      if (!root.getAttribute("uploadDir").isEmpty()) uploadDir = new File(root.getAttribute("uploadDir"));
      log("started with " + config + "; uploads go to " + uploadDir);
    } catch (Exception e) {
      log("cannot read " + config + ": " + e);
    }
  }

  public static String setLogfile(String path) {
    logfile = path;
    log("log file is " + path);
    return null;
  }

  public static synchronized void log(String line) {
    if (logfile == null) return;
    try (FileOutputStream out = new FileOutputStream(logfile, true)) {
      out.write((Instant.now() + " " + line + "\n").getBytes(StandardCharsets.UTF_8));
    } catch (IOException e) {
      // nowhere else to report it; the page still works
    }
  }

  public void process(Object[] exchange, String address, String language) {
    Map<String, String> form = decodeForm((String) exchange[0]);
    String session = (String) exchange[1];
    if (session == null || !visits.containsKey(session)) {
      session = newSessionId();
      visits.put(session, new AtomicInteger());
    }
    String page = form.getOrDefault("page", "home");
    if (page.equals("missing")) {
      exchange[0] = null;  // the server answers 404
      return;
    }
    int count = visits.get(session).incrementAndGet();
    Page html = new Page(title);
    html.greeting(Greetings.forAcceptLanguage(language), address, language, count);
    if (page.equals("echo")) html.echo(form.getOrDefault("message", ""));
    html.forms();
    exchange[0] = html.bytes();
    exchange[1] = session;
    exchange[2] = "text/html; charset=UTF-8";
  }

  public Upload startUpload(String query, String contentType, int length) {
    return new Upload(uploadDir, contentType, length);
  }

  private String parameter(String name) {
    for (Map.Entry<String, String> e : parameters.entrySet()) {
      if (e.getKey().equalsIgnoreCase(name)) return e.getValue();
    }
    return "";
  }

  private String newSessionId() {
    byte[] bytes = new byte[16];
    random.nextBytes(bytes);
    StringBuilder id = new StringBuilder();
    for (byte b : bytes) id.append(String.format("%02x", b & 0xff));
    return id.toString();
  }

  static Map<String, String> decodeForm(String text) {
    Map<String, String> form = new HashMap<>();
    if (text == null) return form;
    for (String pair : text.split("&")) {
      int equals = pair.indexOf('=');
      if (equals <= 0) continue;
      form.putIfAbsent(decode(pair.substring(0, equals)), decode(pair.substring(equals + 1)));
    }
    return form;
  }

  private static String decode(String text) {
    try {
      return URLDecoder.decode(text, StandardCharsets.UTF_8);
    } catch (IllegalArgumentException malformed) {
      return text;
    }
  }
}
