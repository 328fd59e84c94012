package morvaneProbe;

import java.net.URLDecoder;
import java.nio.charset.StandardCharsets;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.HashMap;
import java.util.Map;

/**
 * What every fixture connector does: record each call it receives in the record
 * file, and answer as the request's probe-* commands ask. The protocol is
 * described in tests/java/README.md.
 */
public final class Probe {
  private Probe() {
  }

  public static String setLogfile(String fixture, String path) {
    Record.setPath(path);
    Record.append(new Record("setLogfile").value("path", path));
    if (path != null && path.contains("setlogfile-throws")) {
      throw new IllegalStateException("setLogfile throws as asked");
    }
    if (fixture.equals("setlogfile-text")) {
      return "The framework cannot log to %s: " + path;
    }
    return null;
  }

  public static void constructed(String fixture, String[] names, String[] values) {
    int pairs = names == null ? -1 : names.length;
    Record record = new Record("ctor").raw("pairs", pairs);
    for (int i = 0; i < Math.max(pairs, values == null ? 0 : values.length); i++) {
      record.value("name" + i, names != null && i < names.length ? names[i] : null);
      record.value("value" + i, values != null && i < values.length ? values[i] : null);
    }
    Record.append(record);
    if (fixture.equals("ctor-throws")) throw new IllegalStateException("the constructor throws as asked");
  }

  public static void init(String fixture) {
    Record.append(new Record("init"));
    if (fixture.equals("init-throws")) throw new IllegalStateException("init throws as asked");
  }

  public static void terminate() {
    Record.append(new Record("terminate"));
  }

  public static void process(Object[] exchange, String address, String language) {
    Object body = exchange[0];
    String text = body instanceof String ? (String) body : null;
    Record record = new Record("process").value("body", body).value("session", exchange[1])
        .value("addr", address).value("lang", language)
        .raw("units", text == null ? -1 : text.length())
        .raw("sha256", text == null ? "-" : sha256(text.getBytes(StandardCharsets.UTF_8)));
    Record.append(record);

    Map<String, String> commands = commands(text);
    sleep(commands.get("probe-sleep"));
    exchange[0] = responseBody(commands.get("probe-body"), text, record);
    if (commands.containsKey("probe-type")) exchange[2] = commands.get("probe-type");
    if (commands.containsKey("probe-type-integer")) exchange[2] = Integer.valueOf(1);
    if (commands.containsKey("probe-session")) exchange[1] = commands.get("probe-session");
    if (commands.containsKey("probe-session-null")) exchange[1] = null;
    if (commands.containsKey("probe-throw")) throw new RuntimeException("process throws as asked");
  }

  private static Object responseBody(String command, String request, Record record) {
    if (command == null) return record.bytes();
    if (command.equals("null")) return null;
    if (command.equals("empty")) return new byte[0];
    if (command.equals("string")) return request;
    if (command.startsWith("bytes:")) return command.substring(6).getBytes(StandardCharsets.UTF_8);
    return record.bytes();
  }

  /** The state of one upload; the handle that onUploadInit returns. */
  static final class Upload {
    final Map<String, String> commands;
    final MessageDigest digest = newDigest();
    int pieces;
    long bytes;

    Upload(Map<String, String> commands) {
      this.commands = commands;
    }
  }

  // Serves a connector without onUploadInit, whose onUpload gets no handle.
  private static Upload handleless;

  private static synchronized Upload upload(Object handle, boolean ending) {
    if (handle instanceof Upload) return (Upload) handle;
    Upload upload = handleless != null ? handleless : new Upload(new HashMap<>());
    handleless = ending ? null : upload;
    return upload;
  }

  public static Object uploadInit(String query, String type, int length) {
    Record.append(new Record("uploadInit").value("query", query).value("type", type).raw("length", length));
    Upload upload = new Upload(commands(query));
    if (upload.commands.containsKey("probe-throw-init")) throw new RuntimeException("onUploadInit throws as asked");
    return upload;
  }

  public static boolean upload(Object handle, byte[] piece) {
    Upload upload = upload(handle, false);
    int number;
    synchronized (upload) {
      number = ++upload.pieces;
      if (piece != null) {
        upload.bytes += piece.length;
        upload.digest.update(piece);
      }
    }
    Record.append(new Record("upload").raw("piece", number).raw("bytes", piece == null ? -1 : piece.length));
    if (upload.commands.containsKey("probe-throw-upload")) throw new RuntimeException("onUpload throws as asked");
    String stopAfter = upload.commands.get("probe-stop-after");
    return stopAfter == null || number < parseInt(stopAfter);
  }

  public static byte[] uploadEnd(Object handle) {
    Upload upload = upload(handle, true);
    Record record;
    synchronized (upload) {
      record = new Record("uploadEnd").raw("pieces", upload.pieces).raw("bytes", upload.bytes)
          .raw("sha256", hex(upload.digest.digest()));
    }
    Record.append(record);
    if (upload.commands.containsKey("probe-throw-end")) throw new RuntimeException("onUploadEnd throws as asked");
    String end = upload.commands.get("probe-end");
    if ("null".equals(end)) return null;
    if ("empty".equals(end)) return new byte[0];
    return record.bytes();
  }

  /** The probe-* commands of a query string; other keys are ignored. */
  static Map<String, String> commands(String query) {
    Map<String, String> commands = new HashMap<>();
    if (query == null) return commands;
    for (String pair : query.split("&")) {
      int equals = pair.indexOf('=');
      String key = decode(equals < 0 ? pair : pair.substring(0, equals));
      if (key.startsWith("probe-")) commands.put(key, equals < 0 ? "" : decode(pair.substring(equals + 1)));
    }
    return commands;
  }

  private static String decode(String text) {
    try {
      return URLDecoder.decode(text, StandardCharsets.UTF_8);
    } catch (IllegalArgumentException malformed) {
      return text;
    }
  }

  private static int parseInt(String text) {
    try {
      return Integer.parseInt(text.trim());
    } catch (NumberFormatException e) {
      return Integer.MAX_VALUE;
    }
  }

  private static void sleep(String milliseconds) {
    if (milliseconds == null) return;
    try {
      Thread.sleep(Long.parseLong(milliseconds.trim()));
    } catch (NumberFormatException | InterruptedException e) {
      // a command the probe cannot follow is ignored
    }
  }

  private static MessageDigest newDigest() {
    try {
      return MessageDigest.getInstance("SHA-256");
    } catch (NoSuchAlgorithmException e) {
      throw new IllegalStateException(e);
    }
  }

  static String sha256(byte[] bytes) {
    return hex(newDigest().digest(bytes));
  }

  private static String hex(byte[] bytes) {
    StringBuilder hex = new StringBuilder();
    for (byte b : bytes) hex.append(String.format("%02x", b & 0xff));
    return hex.toString();
  }
}
