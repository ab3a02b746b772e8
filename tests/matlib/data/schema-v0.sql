-- The material database as it was before it recorded a schema version (user_version 0).
CREATE TABLE IF NOT EXISTS databases (
  id INTEGER PRIMARY KEY,
  type TEXT NOT NULL UNIQUE COLLATE NOCASE,
  description TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS materials (
  id INTEGER PRIMARY KEY,
  database_id INTEGER NOT NULL REFERENCES databases(id),
  supplier TEXT NOT NULL COLLATE NOCASE,
  grade TEXT NOT NULL COLLATE NOCASE,
  manufacturer TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  trade_name TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  family TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  filler TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
CREATE INDEX IF NOT EXISTS materials_by_supplier ON materials(supplier, grade, database_id);
CREATE INDEX IF NOT EXISTS materials_by_grade ON materials(grade);
CREATE INDEX IF NOT EXISTS materials_by_manufacturer ON materials(manufacturer, trade_name);
CREATE INDEX IF NOT EXISTS materials_by_trade_name ON materials(trade_name);
CREATE INDEX IF NOT EXISTS materials_by_family ON materials(family);
CREATE INDEX IF NOT EXISTS materials_by_database ON materials(database_id);
CREATE TABLE IF NOT EXISTS material_keywords (
  material_id INTEGER NOT NULL REFERENCES materials(id),
  position INTEGER NOT NULL,
  keyword TEXT NOT NULL,
  value TEXT NOT NULL,
  PRIMARY KEY (material_id, position)) WITHOUT ROWID;
CREATE VIRTUAL TABLE IF NOT EXISTS material_text USING fts5(
  supplier, grade, manufacturer, trade_name, family,
  content='materials', content_rowid='id', tokenize='trigram');
CREATE TRIGGER IF NOT EXISTS materials_text_insert AFTER INSERT ON materials BEGIN
  INSERT INTO material_text(rowid, supplier, grade, manufacturer, trade_name, family)
    VALUES (new.id, new.supplier, new.grade, new.manufacturer, new.trade_name, new.family);
END;
CREATE TRIGGER IF NOT EXISTS materials_text_delete AFTER DELETE ON materials BEGIN
  INSERT INTO material_text(material_text, rowid, supplier, grade, manufacturer, trade_name,
                            family)
    VALUES ('delete', old.id, old.supplier, old.grade, old.manufacturer, old.trade_name,
            old.family);
END;
CREATE TRIGGER IF NOT EXISTS materials_text_update AFTER UPDATE ON materials BEGIN
  INSERT INTO material_text(material_text, rowid, supplier, grade, manufacturer, trade_name,
                            family)
    VALUES ('delete', old.id, old.supplier, old.grade, old.manufacturer, old.trade_name,
            old.family);
  INSERT INTO material_text(rowid, supplier, grade, manufacturer, trade_name, family)
    VALUES (new.id, new.supplier, new.grade, new.manufacturer, new.trade_name, new.family);
END;
