package morvaneDemo;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.Arrays;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * One multipart upload, parsed as its pieces arrive: the first file part is
 * written to disk and hashed on the way, so nothing of it is held in memory
 * beyond one piece and a few bytes of look-behind.
 */
public final class Upload {
  private enum State { PREAMBLE, HEADERS, FILE, SKIP, DONE }

  private static final byte[] HEADER_END = "\r\n\r\n".getBytes(StandardCharsets.US_ASCII);
  private static final int MAX_HEADERS = 16 * 1024;
  private static final Pattern BOUNDARY = Pattern.compile("boundary=\"?([^\";]+)\"?", Pattern.CASE_INSENSITIVE);
  private static final Pattern FILENAME = Pattern.compile("filename=\"([^\"]*)\"", Pattern.CASE_INSENSITIVE);

  private final File directory;
  private final int declaredLength;
  private final byte[] delimiter;  // CRLF "--" boundary
  private final MessageDigest digest = sha256();
  private State state;
  // Bytes not yet consumed; begins with CRLF so that the first boundary, which
  // opens the body without one, looks like every other.
  private byte[] pending = "\r\n".getBytes(StandardCharsets.US_ASCII);
  private FileOutputStream out;
  private String fileName;
  private File saved;
  private long size;
  private String problem;

  Upload(File directory, String contentType, int declaredLength) {
    this.directory = directory;
    this.declaredLength = declaredLength;
    Matcher boundary = BOUNDARY.matcher(contentType == null ? "" : contentType);
    if (boundary.find()) {
      delimiter = ("\r\n--" + boundary.group(1)).getBytes(StandardCharsets.ISO_8859_1);
      state = State.PREAMBLE;
    } else {
      delimiter = null;
      state = State.DONE;
      problem = "the upload names no multipart boundary";
    }
  }

  /** Takes the next piece; false once nothing more is wanted. */
  public boolean write(byte[] piece) {
    if (state == State.DONE) return false;
    pending = concat(pending, piece);
    try {
      while (state != State.DONE && step()) {
        // each step consumes what it can
      }
    } catch (IOException e) {
      fail("cannot write " + saved + ": " + e.getMessage());
    }
    return state != State.DONE;
  }

  /** The answer: the stored file's name, size and SHA-256, or what went wrong. */
  public byte[] finish() {
    closeFile();
    String answer;
    if (saved != null && problem == null && state == State.DONE) {
      answer = String.format("Received %s: %d bytes, SHA-256 %s%n", fileName, size, hex(digest.digest()));
      DemoApp.log("upload " + saved + " " + size + " bytes (declared body " + declaredLength + ")");
    } else {
      answer = "Upload failed: " + (problem != null ? problem : "the body ended before the file did") + "\n";
      if (saved != null) saved.delete();
    }
    return answer.getBytes(StandardCharsets.UTF_8);
  }

  private boolean step() throws IOException {
    switch (state) {
      case PREAMBLE:
      case SKIP:
      case FILE:
        return untilDelimiter();
      case HEADERS:
        return headers();
      default:
        return false;
    }
  }

  // Passes on (to the file) or drops everything before the next delimiter,
  // keeping back what could be the start of one.
  private boolean untilDelimiter() throws IOException {
    int at = indexOf(pending, delimiter);
    int usable = at >= 0 ? at : Math.max(0, pending.length - delimiter.length + 1);
    if (state == State.FILE) {
      out.write(pending, 0, usable);
      digest.update(pending, 0, usable);
      size += usable;
    }
    if (at < 0) {
      pending = Arrays.copyOfRange(pending, usable, pending.length);
      return false;
    }
    pending = Arrays.copyOfRange(pending, at + delimiter.length, pending.length);
    if (state == State.FILE) {
      closeFile();
      state = State.DONE;  // the demo keeps the first file of a form
      return false;
    }
    state = State.HEADERS;
    return true;
  }

  private boolean headers() throws IOException {
    if (pending.length >= 2 && pending[0] == '-' && pending[1] == '-') {
      state = State.DONE;  // the closing boundary
      return false;
    }
    int end = indexOf(pending, HEADER_END);
    if (end < 0) {
      if (pending.length > MAX_HEADERS) fail("a part's headers are too long");
      return false;
    }
    String headers = new String(pending, 0, end, StandardCharsets.UTF_8);
    pending = Arrays.copyOfRange(pending, end + HEADER_END.length, pending.length);
    Matcher name = FILENAME.matcher(headers);
    if (name.find() && !name.group(1).isEmpty()) {
      fileName = name.group(1);
      saved = new File(directory, System.currentTimeMillis() + "-" + safe(fileName));
      out = new FileOutputStream(saved);
      state = State.FILE;
    } else {
      state = State.SKIP;
    }
    return true;
  }

  private void fail(String why) {
    problem = why;
    state = State.DONE;
    closeFile();
  }

  private void closeFile() {
    if (out == null) return;
    try {
      out.close();
    } catch (IOException e) {
      problem = "cannot write " + saved + ": " + e.getMessage();
    }
    out = null;
  }

  private static String safe(String name) {
    String base = name.substring(Math.max(name.lastIndexOf('/'), name.lastIndexOf('\\')) + 1);
    String cleaned = base.replaceAll("[^A-Za-z0-9._-]", "_");
    return cleaned.isEmpty() || cleaned.startsWith(".") ? "upload" + cleaned : cleaned;
  }

  private static byte[] concat(byte[] a, byte[] b) {
    byte[] joined = Arrays.copyOf(a, a.length + b.length);
    System.arraycopy(b, 0, joined, a.length, b.length);
    return joined;
  }

  static int indexOf(byte[] data, byte[] pattern) {
    outer:
    for (int i = 0; i + pattern.length <= data.length; i++) {
      for (int j = 0; j < pattern.length; j++) {
        if (data[i + j] != pattern[j]) continue outer;
      }
      return i;
    }
    return -1;
  }

  private static MessageDigest sha256() {
    try {
      return MessageDigest.getInstance("SHA-256");
    } catch (NoSuchAlgorithmException e) {
      throw new IllegalStateException(e);
    }
  }

  private static String hex(byte[] bytes) {
    StringBuilder hex = new StringBuilder();
    for (byte b : bytes) hex.append(String.format("%02x", b & 0xff));
    return hex.toString();
  }
}
